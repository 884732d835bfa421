// A simulated remote access card: the card's side of the framed object and
// command protocol on its address, and the CHAP-MD5 login on the login port.
// Runs on a thread of its own in-process, or standalone (cardsim).
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

namespace cardsim {

// How the next replies go wrong.
enum class ReplyFault {
    None,
    NoReply,             // close without a reply
    TruncatedHeader,     // 5 header bytes, then close
    ShortLength,         // a length of 8: no room for a checksum
    BadType,             // reply type 0x50
    Long,                // payload of `longPayload` bytes
    BadChecksum,         // checksum off by one
    Split,               // the reply in small pieces, with pauses
    StallAfterHeader,    // header, then nothing until the client leaves
    StallBeforeChecksum, // all but the checksum, then nothing
    ClosedMidFrame,      // header and half the payload, then close
    Unterminated,        // texts without their NUL
};

// How the next logins go wrong.
enum class LoginFault {
    None,
    WrongIdentifier,    // success message with another identifier
    FailureCode,        // code 4 whatever the response
    OversizedValue,     // value size 64
    NameField,          // a name byte after the value (L = n + 6)
    HugeLength,         // L = 1000 with the bytes to match
    NotAChallenge,      // code 2 in place of 1
    ClosedAfterOpening, // close after reading the opening
};

struct Command {
    std::string output;
    int status = 0;
};

using ObjectKey = std::tuple<int, int, int>; // group, object, index

struct Config {
    std::string address = "192.168.234.236";
    uint16_t port = 5860;
    uint16_t loginPort = 5869;
    std::map<ObjectKey, std::string> objects;
    std::map<std::string, Command> commands; // by the command's first word
    std::map<std::string, std::string> users;
    unsigned char replyType = 0x00;
    int missingStatus = 2; // status for an unknown object or command
    size_t challengeSize = 16;
    size_t longPayload = 200;
    ReplyFault fault = ReplyFault::None;
    LoginFault loginFault = LoginFault::None;
};

// Every frame the card received, with its verdict.
struct Request {
    bool valid = false;
    std::string error;
    std::vector<unsigned char> bytes;
    std::string user; // the logged-in user, empty on the plain port
};

class CardSim {
public:
    explicit CardSim(Config config);
    ~CardSim();
    CardSim(const CardSim&) = delete;
    CardSim& operator=(const CardSim&) = delete;

    // Binds both ports and starts serving; false with a reason on failure.
    bool start(std::string* error = nullptr);
    void stop();

    void setFault(ReplyFault fault);
    void setLoginFault(LoginFault fault);
    void setObject(int group, int object, int index, const std::string& value);
    std::optional<std::string> object(int group, int object, int index) const;
    std::vector<Request> journal() const;
    int loginsAccepted() const;
    int loginsRefused() const;

private:
    void serve();
    void handle(int connection, bool login);
    bool login(int connection, std::string& user);
    void answer(int connection, const std::string& user);
    bool sendReply(int connection, int status, const std::vector<unsigned char>& payload);
    bool readExact(int fd, unsigned char* out, size_t length);
    bool writeAll(int fd, const unsigned char* data, size_t length);
    void pause(int millis);
    void waitForClientToLeave(int fd);
    void record(Request request);

    mutable std::mutex mutex_;
    Config config_;
    std::vector<Request> journal_;
    int accepted_ = 0;
    int refused_ = 0;
    unsigned char nextIdentifier_ = 1;
    int listeners_[2] = {-1, -1};
    int wake_[2] = {-1, -1};
    std::thread thread_;
};

} // namespace cardsim
