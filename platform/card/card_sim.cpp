#include "card_sim.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <openssl/evp.h>
#include <poll.h>
#include <random>
#include <sys/socket.h>
#include <unistd.h>

namespace cardsim {

namespace {

constexpr int kIoTimeoutMs = 5000;
constexpr unsigned char kOpening[] = {0x03, 0x05, 0xC2, 0x23, 0x05};

std::vector<unsigned char> md5(const std::vector<unsigned char>& data) {
    std::vector<unsigned char> digest(EVP_MAX_MD_SIZE);
    unsigned size = 0;
    EVP_Digest(data.data(), data.size(), digest.data(), &size, EVP_md5(), nullptr);
    digest.resize(size);
    return digest;
}

unsigned char checksumOf(const std::vector<unsigned char>& bytes) {
    unsigned sum = 0;
    for (unsigned char b : bytes)
        sum += b;
    return static_cast<unsigned char>((256 - (sum & 0xFF)) & 0xFF);
}

int listenOn(const std::string& address, uint16_t port, std::string* error) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(port);
    int one = 1;
    if (fd < 0 || inet_pton(AF_INET, address.c_str(), &at.sin_addr) != 1 ||
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one) != 0 ||
        bind(fd, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || listen(fd, 16) != 0) {
        if (error)
            *error = "cannot listen on " + address + ":" + std::to_string(port) + ": " +
                     std::strerror(errno);
        if (fd >= 0)
            close(fd);
        return -1;
    }
    return fd;
}

} // namespace

CardSim::CardSim(Config config) : config_(std::move(config)) {}

CardSim::~CardSim() {
    stop();
}

bool CardSim::start(std::string* error) {
    listeners_[0] = listenOn(config_.address, config_.port, error);
    listeners_[1] = listeners_[0] < 0 ? -1 : listenOn(config_.address, config_.loginPort, error);
    if (listeners_[1] < 0 || pipe2(wake_, O_CLOEXEC) != 0) {
        stop();
        return false;
    }
    thread_ = std::thread([this] { serve(); });
    return true;
}

void CardSim::stop() {
    if (thread_.joinable()) {
        char byte = 1;
        (void)!write(wake_[1], &byte, 1);
        thread_.join();
    }
    for (int* fd : {&listeners_[0], &listeners_[1], &wake_[0], &wake_[1]}) {
        if (*fd >= 0)
            close(*fd);
        *fd = -1;
    }
}

void CardSim::serve() {
    for (;;) {
        pollfd fds[3] = {
            {wake_[0], POLLIN, 0}, {listeners_[0], POLLIN, 0}, {listeners_[1], POLLIN, 0}};
        if (poll(fds, 3, -1) < 0 && errno != EINTR)
            return;
        if (fds[0].revents)
            return;
        for (int i = 1; i < 3; ++i) {
            if (!fds[i].revents)
                continue;
            int connection = accept4(listeners_[i - 1], nullptr, nullptr, SOCK_CLOEXEC);
            if (connection < 0)
                continue;
            handle(connection, i == 2);
            close(connection);
        }
    }
}

void CardSim::handle(int connection, bool loginPort) {
    std::string user;
    if (loginPort && !login(connection, user))
        return;
    answer(connection, user);
}

// Waits for `fd` to be readable (or writable) while watching the stop pipe.
static bool ready(int fd, int wakeFd, short events, int timeoutMs) {
    pollfd fds[2] = {{fd, events, 0}, {wakeFd, POLLIN, 0}};
    int rc;
    do {
        rc = poll(fds, 2, timeoutMs);
    } while (rc < 0 && errno == EINTR);
    return rc > 0 && fds[0].revents && !fds[1].revents;
}

bool CardSim::readExact(int fd, unsigned char* out, size_t length) {
    while (length > 0) {
        if (!ready(fd, wake_[0], POLLIN, kIoTimeoutMs))
            return false;
        ssize_t n = recv(fd, out, length, 0);
        if (n <= 0)
            return false;
        out += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool CardSim::writeAll(int fd, const unsigned char* data, size_t length) {
    while (length > 0) {
        if (!ready(fd, wake_[0], POLLOUT, kIoTimeoutMs))
            return false;
        ssize_t n = send(fd, data, length, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        data += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

void CardSim::pause(int millis) {
    ready(wake_[0], wake_[0], POLLIN, millis);
}

void CardSim::waitForClientToLeave(int fd) {
    unsigned char sink[256];
    while (ready(fd, wake_[0], POLLIN, -1) && recv(fd, sink, sizeof sink, 0) > 0) {
    }
}

void CardSim::record(Request request) {
    std::lock_guard<std::mutex> lock(mutex_);
    journal_.push_back(std::move(request));
}

bool CardSim::login(int connection, std::string& user) {
    LoginFault fault;
    size_t size;
    unsigned char identifier;
    std::map<std::string, std::string> users;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fault = config_.loginFault;
        size = config_.challengeSize;
        identifier = nextIdentifier_++;
        users = config_.users;
    }
    unsigned char opening[sizeof kOpening];
    if (!readExact(connection, opening, sizeof opening) ||
        std::memcmp(opening, kOpening, sizeof opening) != 0)
        return false;
    if (fault == LoginFault::ClosedAfterOpening)
        return false;

    static std::mt19937 random(12345);
    if (fault == LoginFault::OversizedValue)
        size = 64;
    std::vector<unsigned char> value(size);
    for (auto& b : value)
        b = static_cast<unsigned char>(random());
    size_t length = 5 + size;
    std::vector<unsigned char> challenge{1, identifier, 0, 0, static_cast<unsigned char>(size)};
    challenge.insert(challenge.end(), value.begin(), value.end());
    if (fault == LoginFault::NameField) {
        challenge.push_back('c');
        ++length;
    } else if (fault == LoginFault::HugeLength) {
        challenge.resize(1000, 0);
        length = 1000;
    } else if (fault == LoginFault::NotAChallenge) {
        challenge[0] = 2;
    }
    challenge[2] = static_cast<unsigned char>(length >> 8);
    challenge[3] = static_cast<unsigned char>(length & 0xFF);
    if (!writeAll(connection, challenge.data(), challenge.size()))
        return false;

    unsigned char header[4];
    if (!readExact(connection, header, sizeof header))
        return false;
    size_t responseLength = static_cast<size_t>(header[2]) << 8 | header[3];
    if (responseLength < 5 + 16 || responseLength > 4 + 1 + 16 + 255)
        return false;
    std::vector<unsigned char> rest(responseLength - 4);
    if (!readExact(connection, rest.data(), rest.size()))
        return false;
    user.assign(rest.begin() + 17, rest.end());
    bool valid = header[0] == 2 && header[1] == identifier && rest[0] == 16;
    auto known = users.find(user);
    if (valid && known != users.end()) {
        std::vector<unsigned char> secretInput(known->second.begin(), known->second.end());
        std::vector<unsigned char> input{identifier};
        std::vector<unsigned char> secret = md5(secretInput);
        input.insert(input.end(), secret.begin(), secret.end());
        input.insert(input.end(), value.begin(), value.end());
        valid = md5(input) == std::vector<unsigned char>(rest.begin() + 1, rest.begin() + 17);
    } else {
        valid = false;
    }
    if (fault == LoginFault::FailureCode)
        valid = false;
    unsigned char answerId = fault == LoginFault::WrongIdentifier ? identifier + 1 : identifier;
    unsigned char result[4] = {static_cast<unsigned char>(valid ? 3 : 4), answerId, 0, 4};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        (valid ? accepted_ : refused_)++;
    }
    return writeAll(connection, result, sizeof result) && valid;
}

void CardSim::answer(int connection, const std::string& user) {
    Request request;
    request.user = user;
    unsigned char start[3];
    if (!readExact(connection, start, sizeof start))
        return;
    size_t length = start[1] | static_cast<size_t>(start[2]) << 8;
    request.bytes.assign(start, start + 3);
    bool command = start[0] == 0x50;
    if (!command && start[0] != 0x30) {
        request.error = "unknown frame type";
        record(request);
        return;
    }
    if (length < (command ? 6u : 9u)) {
        request.error = "frame length too small";
        record(request);
        return;
    }
    request.bytes.resize(length);
    if (!readExact(connection, request.bytes.data() + 3, length - 3)) {
        request.bytes.resize(3);
        request.error = "frame shorter than its length";
        record(request);
        return;
    }
    const auto& b = request.bytes;
    unsigned sum = 0;
    for (unsigned char x : b)
        sum += x;
    if ((sum & 0xFF) != 0) {
        request.error = "bad checksum";
        record(request);
        return;
    }
    // The text runs from offset 4 (command) or 7 (object) to the NUL before the checksum.
    size_t textStart = command ? 4 : 7;
    std::string text(b.begin() + static_cast<long>(textStart), b.end() - 2);
    if (b[length - 2] != 0 || text.find('\0') != std::string::npos) {
        request.error = "text not terminated where the length says";
        record(request);
        return;
    }
    int status = 0;
    std::vector<unsigned char> payload;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (command) {
            auto found = config_.commands.find(text.substr(0, text.find(' ')));
            if (found == config_.commands.end()) {
                status = config_.missingStatus;
            } else {
                status = found->second.status;
                payload.assign(found->second.output.begin(), found->second.output.end());
                payload.push_back(0);
            }
        } else {
            bool get = (b[4] & 0x80) != 0;
            ObjectKey key{b[4] & 0x7F, b[6], b[5]};
            if (get && length != 9) {
                request.error = "get with a value";
                journal_.push_back(request);
                return;
            }
            auto found = config_.objects.find(key);
            if (get && found == config_.objects.end()) {
                status = config_.missingStatus;
            } else if (get) {
                payload.assign(found->second.begin(), found->second.end());
                payload.push_back(0);
            } else {
                config_.objects[key] = text;
            }
        }
        request.valid = true;
        journal_.push_back(request);
    }
    sendReply(connection, status, payload);
}

bool CardSim::sendReply(int connection, int status, const std::vector<unsigned char>& body) {
    ReplyFault fault;
    unsigned char type;
    size_t longPayload;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        fault = config_.fault;
        type = config_.replyType;
        longPayload = config_.longPayload;
    }
    std::vector<unsigned char> payload = body;
    if (fault == ReplyFault::Long)
        payload.resize(longPayload, 'x');
    if (fault == ReplyFault::Unterminated && !payload.empty())
        payload.pop_back();
    size_t total = 8 + payload.size() + 1;
    if (fault == ReplyFault::ShortLength)
        total = 8;
    std::vector<unsigned char> reply{fault == ReplyFault::BadType ? static_cast<unsigned char>(0x50)
                                                                  : type,
                                     static_cast<unsigned char>(total & 0xFF),
                                     static_cast<unsigned char>(total >> 8),
                                     0,
                                     static_cast<unsigned char>(status),
                                     0,
                                     0,
                                     0};
    reply.insert(reply.end(), payload.begin(), payload.end());
    unsigned char checksum = checksumOf(reply);
    reply.push_back(fault == ReplyFault::BadChecksum ? static_cast<unsigned char>(checksum + 1)
                                                     : checksum);
    switch (fault) {
    case ReplyFault::NoReply:
        return false;
    case ReplyFault::TruncatedHeader:
        return writeAll(connection, reply.data(), 5);
    case ReplyFault::ShortLength:
        return writeAll(connection, reply.data(), 8);
    case ReplyFault::StallAfterHeader:
        writeAll(connection, reply.data(), 8);
        waitForClientToLeave(connection);
        return false;
    case ReplyFault::StallBeforeChecksum:
        writeAll(connection, reply.data(), reply.size() - 1);
        waitForClientToLeave(connection);
        return false;
    case ReplyFault::ClosedMidFrame:
        return writeAll(connection, reply.data(), 8 + payload.size() / 2);
    case ReplyFault::Split:
        for (size_t at = 0; at < reply.size(); at += 3) {
            if (!writeAll(connection, reply.data() + at, std::min<size_t>(3, reply.size() - at)))
                return false;
            pause(5);
        }
        return true;
    default:
        return writeAll(connection, reply.data(), reply.size());
    }
}

void CardSim::setFault(ReplyFault fault) {
    std::lock_guard<std::mutex> lock(mutex_);
    config_.fault = fault;
}

void CardSim::setLoginFault(LoginFault fault) {
    std::lock_guard<std::mutex> lock(mutex_);
    config_.loginFault = fault;
}

void CardSim::setObject(int group, int object, int index, const std::string& value) {
    std::lock_guard<std::mutex> lock(mutex_);
    config_.objects[{group, object, index}] = value;
}

std::optional<std::string> CardSim::object(int group, int object, int index) const {
    std::lock_guard<std::mutex> lock(mutex_);
    auto found = config_.objects.find({group, object, index});
    if (found == config_.objects.end())
        return std::nullopt;
    return found->second;
}

std::vector<Request> CardSim::journal() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return journal_;
}

int CardSim::loginsAccepted() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return accepted_;
}

int CardSim::loginsRefused() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return refused_;
}

} // namespace cardsim
