// Opens the link to the card: plain, or with a CHAP-MD5 login for a session.
#include "session.h"

#include "clock.h"
#include "io.h"
#include "login.h"
#include "telm/telm.h"
#include "trace.h"

#include <cstdio>
#include <cstring>
#include <string>

extern "C" {
spSsnEntry* spSsnTable[8] = {};
}

namespace telm {

namespace {

constexpr const char* authPort = "5869";
constexpr int maxWait = 10;
constexpr unsigned char kOpening[] = {0x03, 0x05, 0xC2, 0x23, 0x05};
constexpr unsigned char kSuccessCode = 3;

// Text of a fixed-size record field; false when it is not terminated.
bool fieldText(const char* field, size_t size, std::string& out) {
    size_t length = strnlen(field, size);
    if (length == size)
        return false;
    out.assign(field, length);
    return true;
}

int fail(int socket, ErrorText text, int code) {
    traceError("dzBypOpen", text);
    if (socket >= 0)
        spClose(socket, 0);
    return dzBypAuthFailed(code);
}

int login(int socket, const std::string& user, const std::string& password) {
    const int limit = clock().millisFor(maxWait);
    if (v3Send(socket, V3_EXACT | V3_NOWAIT, 0, kOpening, sizeof kOpening) != sizeof kOpening)
        return fail(socket, kErrorSending, -7);

    unsigned char header[kChallengeHeader];
    if (recvWithin(socket, header, sizeof header, limit) != sizeof header)
        return fail(socket, kErrorRetrieving, -6);
    int restLength = challengeRestLength(header);
    if (restLength == -5)
        return fail(socket, kBufferTooSmall, -5);
    if (restLength < 0)
        return fail(socket, kErrorRetrieving, -6);
    unsigned char rest[kChallengeBuffer];
    size_t got = recvWithin(socket, rest, static_cast<size_t>(restLength), limit);
    if (got != static_cast<size_t>(restLength))
        return fail(socket, kErrorRetrieving, -6);
    Challenge challenge;
    if (parseChallenge(header, rest, got, challenge) != 0)
        return fail(socket, kBufferTooSmall, -5);

    std::vector<unsigned char> response = chapResponse(challenge, user, password);
    if (!sendAll(socket, response.data(), response.size(), limit))
        return fail(socket, kErrorSending, -7);

    unsigned char answer[4];
    if (recvWithin(socket, answer, sizeof answer, limit) != sizeof answer ||
        answer[0] != kSuccessCode || answer[1] != challenge.identifier)
        return fail(socket, kAuthFailed, -9);
    return socket;
}

} // namespace

int dzBypAuthFailed(int code) {
    std::fputs("\nauthentication failed.\n", stderr);
    std::fflush(stderr);
    return code;
}

int dzBypOpen(int type) {
    unsigned session = (static_cast<unsigned>(type) >> 16) & 0xFF;
    if (session == 0 || session > 8)
        return spOpen(nullptr, nullptr, maxWait);
    const spSsnEntry* entry = spSsnTable[session - 1];
    std::string address, user, password;
    int socket = -1;
    if (entry && fieldText(entry->address, sizeof entry->address, address) &&
        fieldText(entry->user, sizeof entry->user, user) &&
        fieldText(entry->password, sizeof entry->password, password))
        socket = spOpen(address.c_str(), authPort, maxWait);
    if (socket < 0)
        return fail(-1, kInvalidSession, -1);
    return login(socket, user, password);
}

} // namespace telm
