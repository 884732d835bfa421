#include "login.h"

#include "telm/telm.h"

#include <algorithm>

namespace telm {

namespace {

constexpr unsigned char kChallengeCode = 1;
constexpr unsigned char kResponseCode = 2;
constexpr size_t kDigest = 16;

size_t lengthOf(const unsigned char header[kChallengeHeader]) {
    return static_cast<size_t>(header[2]) << 8 | header[3];
}

} // namespace

int challengeRestLength(const unsigned char header[kChallengeHeader]) {
    size_t length = lengthOf(header);
    if (header[0] != kChallengeCode || length <= kChallengeHeader)
        return -6;
    if (length - kChallengeHeader > kChallengeBuffer)
        return -5;
    return static_cast<int>(length - kChallengeHeader);
}

int parseChallenge(const unsigned char header[kChallengeHeader], const unsigned char* rest,
                   size_t restLength, Challenge& out) {
    int expected = challengeRestLength(header);
    if (expected < 0)
        return expected;
    if (restLength != static_cast<size_t>(expected))
        return -6;
    size_t size = rest[0];
    if (size > kMaxChallengeValue || lengthOf(header) != size + 5)
        return -5;
    out.identifier = header[1];
    out.value.assign(rest + 1, rest + 1 + size);
    return 0;
}

std::vector<unsigned char> chapResponse(const Challenge& challenge, const std::string& user,
                                        const std::string& password) {
    MD5Context secret;
    MD5Init(&secret);
    MD5Update(&secret, reinterpret_cast<const unsigned char*>(password.data()),
              static_cast<unsigned>(password.size()));
    MD5Final(&secret);

    MD5Context value;
    MD5Init(&value);
    MD5Update(&value, &challenge.identifier, 1);
    MD5Update(&value, secret.digest, kDigest);
    MD5Update(&value, challenge.value.data(), static_cast<unsigned>(challenge.value.size()));
    MD5Final(&value);

    size_t length = 5 + kDigest + user.size();
    std::vector<unsigned char> out(length);
    out[0] = kResponseCode;
    out[1] = challenge.identifier;
    out[2] = static_cast<unsigned char>(length >> 8);
    out[3] = static_cast<unsigned char>(length & 0xFF);
    out[4] = static_cast<unsigned char>(kDigest);
    std::copy(value.digest, value.digest + kDigest, out.begin() + 5);
    std::copy(user.begin(), user.end(), out.begin() + 5 + kDigest);
    return out;
}

} // namespace telm
