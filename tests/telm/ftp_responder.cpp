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

bool sendText(int fd, const std::string& text) {
    return send(fd, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size());
}

std::string receiveAll(int fd) {
    std::string got;
    char buffer[4096];
    for (;;) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 5000) <= 0)
            return got;
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return got;
        got.append(buffer, static_cast<size_t>(n));
    }
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

void FtpResponder::greet(int control) {
    const std::string& text = script_.greeting;
    size_t piece = script_.greetingPiece == 0 ? text.size() : script_.greetingPiece;
    for (size_t at = 0; at < text.size(); at += piece) {
        if (at > 0) {
            pollfd wake{wake_[0], POLLIN, 0};
            if (poll(&wake, 1, script_.greetingPauseMillis) != 0)
                return;
        }
        if (!sendText(control, text.substr(at, piece)))
            return;
    }
}

void FtpResponder::session(int control) {
    greet(control);
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
            if (!script_.intruderAddress.empty())
                intrude(verb);
            if (!script_.skipDataConnection)
                transfer(verb);
            sendText(control, script_.afterTransfer);
        }
        if (verb == "QUIT")
            return;
    }
}

int FtpResponder::connectData(const std::string& from) {
    int data = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    if (!from.empty()) {
        inet_pton(AF_INET, from.c_str(), &at.sin_addr);
        if (bind(data, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
            close(data);
            return -1;
        }
    }
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(static_cast<uint16_t>(dataPort_));
    inet_pton(AF_INET, dataAddress_.c_str(), &to.sin_addr);
    if (connect(data, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        close(data);
        return -1;
    }
    return data;
}

void FtpResponder::intrude(const std::string& verb) {
    int data = connectData(script_.intruderAddress);
    if (data < 0)
        return;
    std::string got;
    if (verb == "RETR") {
        sendText(data, script_.intruderContent);
        shutdown(data, SHUT_WR);
    }
    got = receiveAll(data);
    close(data);
    std::lock_guard<std::mutex> lock(mutex_);
    intruderReceived_ += got;
}

void FtpResponder::transfer(const std::string& verb) {
    int data = connectData("");
    if (data < 0)
        return;
    if (verb == "RETR") {
        sendText(data, script_.content);
    } else {
        std::string got = receiveAll(data);
        std::lock_guard<std::mutex> lock(mutex_);
        stored_ = got;
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

std::string FtpResponder::intruderReceived() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return intruderReceived_;
}

} // namespace telmtest
