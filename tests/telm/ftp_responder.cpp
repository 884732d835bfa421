#include "ftp_responder.h"

#include "ftp_fixture.h"

#include <arpa/inet.h>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace telmtest {

namespace {

bool readLine(int fd, int wake, std::string& line) {
    line.clear();
    for (;;) {
        pollfd fds[2] = {{fd, POLLIN, 0}, {wake, POLLIN, 0}};
        if (poll(fds, 2, 5000) <= 0 || fds[1].revents)
            return false;
        char c;
        if (recv(fd, &c, 1, 0) != 1)
            return false;
        if (c == '\n')
            return true;
        if (c != '\r')
            line += c;
    }
}

void sendText(int fd, const std::string& text) {
    (void)!send(fd, text.data(), text.size(), MSG_NOSIGNAL);
}

} // namespace

FtpResponder::FtpResponder(FtpScript script) : script_(std::move(script)) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(21);
    inet_pton(AF_INET, kFtpAddress, &at.sin_addr);
    int one = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (bind(listener_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 ||
        listen(listener_, 4) != 0 || pipe2(wake_, O_CLOEXEC) != 0) {
        close(listener_);
        listener_ = -1;
        return;
    }
    thread_ = std::thread([this] { serve(); });
}

FtpResponder::~FtpResponder() {
    if (thread_.joinable()) {
        (void)!write(wake_[1], "x", 1);
        thread_.join();
    }
    for (int fd : {listener_, wake_[0], wake_[1]})
        if (fd >= 0)
            close(fd);
}

void FtpResponder::serve() {
    for (;;) {
        pollfd fds[2] = {{listener_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (poll(fds, 2, -1) <= 0 || fds[1].revents)
            return;
        int control = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (control < 0)
            continue;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ++connections_;
        }
        session(control);
        close(control);
    }
}

void FtpResponder::session(int control) {
    sendText(control, script_.greeting);
    std::string line;
    while (readLine(control, wake_[0], line)) {
        std::string verb = line.substr(0, line.find(' '));
        {
            std::lock_guard<std::mutex> lock(mutex_);
            commands_.push_back(line);
        }
        if (verb == script_.closeAt)
            return;
        if (verb == "PORT") {
            unsigned h[4], p[2];
            if (std::sscanf(line.c_str(), "PORT %u,%u,%u,%u,%u,%u", &h[0], &h[1], &h[2], &h[3],
                            &p[0], &p[1]) == 6) {
                dataAddress_ = std::to_string(h[0]) + "." + std::to_string(h[1]) + "." +
                               std::to_string(h[2]) + "." + std::to_string(h[3]);
                dataPort_ = static_cast<int>(p[0] * 256 + p[1]);
            }
        }
        auto reply = script_.replies.find(verb);
        sendText(control, reply == script_.replies.end() ? "502 not here\r\n" : reply->second);
        if ((verb == "STOR" || verb == "RETR") && reply != script_.replies.end() &&
            reply->second.rfind("150", 0) == 0) {
            if (!script_.skipDataConnection)
                transfer(verb);
            sendText(control, script_.afterTransfer);
        }
        if (verb == "QUIT")
            return;
    }
}

void FtpResponder::transfer(const std::string& verb) {
    int data = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(dataPort_));
    inet_pton(AF_INET, dataAddress_.c_str(), &to.sin_addr);
    if (connect(data, reinterpret_cast<sockaddr*>(&to), sizeof to) == 0) {
        if (verb == "RETR") {
            sendText(data, script_.content);
        } else {
            char buffer[4096];
            ssize_t n;
            std::string got;
            while ((n = recv(data, buffer, sizeof buffer, 0)) > 0)
                got.append(buffer, static_cast<size_t>(n));
            std::lock_guard<std::mutex> lock(mutex_);
            stored_ = got;
        }
    }
    close(data);
}

int FtpResponder::connections() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return connections_;
}

std::vector<std::string> FtpResponder::commands() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return commands_;
}

std::string FtpResponder::stored() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stored_;
}

} // namespace telmtest
