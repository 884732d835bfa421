#include "ftp_reply.h"

#include "clock.h"
#include "io.h"
#include "telm/telm.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace telm {

namespace {

constexpr size_t kDefaultReply = 4096;
constexpr int kLineFailed = 421;
constexpr int kNotANumber = 500;

// What one reply may still take: the time left and the bytes left. Every line
// of the reply draws on the same budget, so a server that trickles bytes or
// adds continuation lines without end cannot hold the caller.
class ReplyBudget {
public:
    ReplyBudget() : deadline_(clock().millisFor(kFtpReplySeconds)) {}
    int millisLeft() const { return deadline_.millisLeft(); }
    bool take() {
        if (bytesLeft_ == 0)
            return false;
        --bytesLeft_;
        return true;
    }

private:
    Deadline deadline_;
    size_t bytesLeft_ = kFtpReplyBytes;
};

bool continues(const char* line, int length) {
    return length >= 4 && line[3] == '-';
}

bool endsReply(const char* line, int length, const char* number) {
    return length >= 4 && std::strncmp(line, number, 3) == 0 && line[3] == ' ';
}

int readLineWithin(int socket, char* line, size_t size, ReplyBudget& budget) {
    static const char fn[] = "sockReadln";
    if (!line || size == 0)
        return -1;
    size_t count = 0;
    bool overflow = false;
    for (;;) {
        unsigned char c;
        if (!budget.take()) {
            v3cops_printf("%s: reply too long\n", fn);
            line[0] = '\0';
            return -1;
        }
        if (recvWithin(socket, &c, 1, budget.millisLeft()) != 1) {
            v3cops_printf("%s: recv() error\n", fn);
            line[0] = '\0';
            return -1;
        }
        if (c == '\n')
            break;
        if (count + 1 < size)
            line[count++] = static_cast<char>(c);
        else
            overflow = true;
    }
    line[count] = '\0';
    if (overflow) {
        v3cops_printf("%s: buffer overflow\n", fn);
        line[0] = '\0';
        return -1;
    }
    return static_cast<int>(count);
}

int readLine(const char* fn, int socket, std::vector<char>& line, ReplyBudget& budget) {
    v3cops_printf("%s: reading reply..\n", fn);
    int length = readLineWithin(socket, line.data(), line.size(), budget);
    if (length >= 0)
        v3cops_printf("%s: %s\n", fn, line.data());
    return length;
}

} // namespace

int sockReadln(int socket, char* line, size_t size) {
    ReplyBudget budget;
    return readLineWithin(socket, line, size, budget);
}

int sockGetReply(int socket, char* copy, size_t size) {
    static const char fn[] = "sockGetReply";
    std::vector<char> line(size == 0 ? kDefaultReply : size);
    ReplyBudget budget;
    int length = readLine(fn, socket, line, budget);
    if (length < 0)
        return kLineFailed;
    if (!std::isdigit(static_cast<unsigned char>(line[0])))
        return kNotANumber;
    int code = std::atoi(line.data());
    if (continues(line.data(), length)) {
        char number[4] = {line[0], line[1], line[2], '\0'};
        do {
            length = readLine(fn, socket, line, budget);
            if (length < 0)
                return kLineFailed;
        } while (!endsReply(line.data(), length, number));
    }
    if (copy)
        std::memcpy(copy, line.data(), line.size());
    return code;
}

} // namespace telm
