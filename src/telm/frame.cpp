#include "frame.h"

#include "clock.h"
#include "io.h"
#include "telm/telm.h"
#include "trace.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <new>
#include <poll.h>

namespace telm {

namespace {

constexpr unsigned char kCommandType = 0x50;
constexpr unsigned char kObjectType = 0x30;
constexpr size_t kMaxFrame = 0xFFFF;

// Type, 16-bit little-endian total length, header byte, body, checksum.
std::vector<unsigned char> frame(unsigned char type, int headerByte,
                                 const std::vector<unsigned char>& body) {
    size_t total = 4 + body.size() + 1;
    if (total > kMaxFrame)
        return {};
    std::vector<unsigned char> out;
    out.reserve(total);
    out.push_back(type);
    out.push_back(static_cast<unsigned char>(total & 0xFF));
    out.push_back(static_cast<unsigned char>(total >> 8));
    out.push_back(static_cast<unsigned char>(headerByte));
    out.insert(out.end(), body.begin(), body.end());
    out.push_back(zSum(out.data(), out.size()));
    return out;
}

std::vector<unsigned char> textWithNul(const char* text, size_t limit) {
    size_t length = strnlen(text, limit + 1);
    if (length > limit)
        return {};
    return std::vector<unsigned char>(text, text + length + 1);
}

// Sends a whole frame: v3Send makes one non-blocking send per call, so the
// remainder is offered again, within a bounded wait for room.
int sendFrame(int socket, const std::vector<unsigned char>& bytes) {
    int limit = clock().millisFor(kFrameRestSeconds);
    size_t sent = 0;
    while (sent < bytes.size()) {
        int n = v3Send(socket, V3_EXACT | V3_NOWAIT, 0, bytes.data() + sent,
                       static_cast<int>(bytes.size() - sent));
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (waitFor(socket, POLLOUT, limit) <= 0)
                return -1;
            continue;
        }
        if (n <= 0)
            return -1;
        sent += static_cast<size_t>(n);
    }
    return static_cast<int>(sent);
}

} // namespace

unsigned char zSum(const unsigned char* data, size_t length) {
    if (!data || length == 0)
        return 1;
    unsigned sum = 0;
    for (size_t i = 0; i < length; ++i)
        sum += data[i];
    return static_cast<unsigned char>(-sum & 0xFF);
}

std::vector<unsigned char> buildCommandFrame(int headerByte, const char* text) {
    std::vector<unsigned char> body = textWithNul(text, kMaxFrame);
    return body.empty() ? body : frame(kCommandType, headerByte, body);
}

std::vector<unsigned char> buildObjectFrame(int headerByte, int group, int index, int object,
                                            const char* value) {
    bool get = (group & 0x80) != 0;
    std::vector<unsigned char> body{static_cast<unsigned char>(group),
                                    static_cast<unsigned char>(index),
                                    static_cast<unsigned char>(object)};
    std::vector<unsigned char> text =
        get ? std::vector<unsigned char>{0} : textWithNul(value, kMaxFrame);
    if (text.empty())
        return {};
    body.insert(body.end(), text.begin(), text.end());
    return frame(kObjectType, headerByte, body);
}

} // namespace telm

namespace {

template <class Build> int buildAndSend(const char* fn, int socket, bool argumentsOk, Build build) {
    if (socket < 0 || !argumentsOk) {
        telm::traceError(fn, telm::kBadArguments);
        return -1;
    }
    std::vector<unsigned char> bytes;
    try {
        bytes = build();
    } catch (const std::bad_alloc&) {
        telm::traceError(fn, telm::kMallocFailed);
        return -1;
    }
    if (bytes.empty()) {
        telm::traceError(fn, telm::kBadArguments);
        return -1;
    }
    return telm::sendFrame(socket, bytes);
}

} // namespace

extern "C" int spSend_cmd(int socket, int headerByte, const char* text) {
    return buildAndSend("spSend_cmd", socket, text != nullptr,
                        [&] { return telm::buildCommandFrame(headerByte, text); });
}

extern "C" int spSend_oid(int socket, int headerByte, int group, int index, int object,
                          const char* value) {
    bool get = (group & 0x80) != 0;
    return buildAndSend("spSend_oid", socket, get || value != nullptr, [&] {
        return telm::buildObjectFrame(headerByte, group, index, object, value);
    });
}
