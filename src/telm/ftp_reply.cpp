#include "ftp_reply.h"

#include "clock.h"
#include "io.h"
#include "telm/telm.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <vector>

namespace telm {

namespace {

constexpr size_t kDefaultReply = 4096;
constexpr int kLineFailed = 421;
constexpr int kNotANumber = 500;

bool continues(const char* line, int length) {
    return length >= 4 && line[3] == '-';
}

bool endsReply(const char* line, int length, const char* number) {
    return length >= 4 && std::strncmp(line, number, 3) == 0 && line[3] == ' ';
}

int readLine(const char* fn, int socket, std::vector<char>& line) {
    v3cops_printf("%s: reading reply..\n", fn);
    int length = sockReadln(socket, line.data(), line.size());
    if (length >= 0)
        v3cops_printf("%s: %s\n", fn, line.data());
    return length;
}

} // namespace

int sockReadln(int socket, char* line, size_t size) {
    static const char fn[] = "sockReadln";
    if (!line || size == 0)
        return -1;
    const int limit = clock().millisFor(kFtpReplySeconds);
    size_t count = 0;
    bool overflow = false;
    for (;;) {
        unsigned char c;
        if (recvWithin(socket, &c, 1, limit) != 1) {
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

int sockGetReply(int socket, char* copy, size_t size) {
    static const char fn[] = "sockGetReply";
    std::vector<char> line(size == 0 ? kDefaultReply : size);
    int length = readLine(fn, socket, line);
    if (length < 0)
        return kLineFailed;
    if (!std::isdigit(static_cast<unsigned char>(line[0])))
        return kNotANumber;
    int code = std::atoi(line.data());
    if (continues(line.data(), length)) {
        char number[4] = {line[0], line[1], line[2], '\0'};
        do {
            length = readLine(fn, socket, line);
            if (length < 0)
                return kLineFailed;
        } while (!endsReply(line.data(), length, number));
    }
    if (copy)
        std::memcpy(copy, line.data(), line.size());
    return code;
}

} // namespace telm
