// A scripted FTP server on the card's FTP address: it answers each command
// verb with the reply the test chose, and can close the connection at any
// verb, to reach the client's failure paths that a real server never takes.
#pragma once

#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace telmtest {

struct FtpScript {
    std::string greeting = "220 ready\r\n";
    std::map<std::string, std::string> replies = {{"USER", "331 password please\r\n"},
                                                  {"PASS", "230 in\r\n"},
                                                  {"TYPE", "200 binary\r\n"},
                                                  {"PORT", "200 ok\r\n"},
                                                  {"STOR", "150 go\r\n"},
                                                  {"RETR", "150 go\r\n"},
                                                  {"QUIT", "221 bye\r\n"}};
    std::string afterTransfer = "226 done\r\n";
    std::string content = "remote content\r\n"; // what RETR sends
    std::string closeAt;                        // verb at which the control connection closes
    bool skipDataConnection = false;            // never connect for the transfer
    // The greeting goes out in pieces of this many bytes (0: at once), with
    // this pause before each piece after the first.
    size_t greetingPiece = 0;
    int greetingPauseMillis = 0;
    // When set, a third host at this local address connects to the client's
    // data port first: it sends `intruderContent` for RETR and takes what it is
    // given for STOR.
    std::string intruderAddress;
    std::string intruderContent = "a third host's content\r\n";
};

class FtpResponder {
public:
    explicit FtpResponder(FtpScript script);
    ~FtpResponder();
    bool listening() const { return listener_ >= 0; }
    int connections() const;
    std::vector<std::string> commands() const;
    std::string stored() const;
    std::string intruderReceived() const;

private:
    void serve();
    void session(int control);
    void greet(int control);
    void intrude(const std::string& verb);
    void transfer(const std::string& verb);
    int connectData(const std::string& from);

    FtpScript script_;
    int listener_ = -1;
    int wake_[2] = {-1, -1};
    std::string dataAddress_;
    int dataPort_ = 0;
    mutable std::mutex mutex_;
    int connections_ = 0;
    std::vector<std::string> commands_;
    std::string stored_;
    std::string intruderReceived_;
    std::thread thread_;
};

} // namespace telmtest
