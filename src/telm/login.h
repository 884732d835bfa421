// The CHAP-MD5 login messages, apart from the socket that carries them.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace telm {

constexpr size_t kChallengeHeader = 4;
constexpr size_t kMaxChallengeValue = 63;
// Value size byte plus the largest value.
constexpr size_t kChallengeBuffer = kMaxChallengeValue + 1;

struct Challenge {
    unsigned char identifier = 0;
    std::vector<unsigned char> value;
};

// From the 4-byte header: the length of the rest, or -6 (not a challenge)
// or -5 (longer than the challenge buffer).
int challengeRestLength(const unsigned char header[kChallengeHeader]);
// Parses header and rest: 0, or -5 for a value that is too large or a
// length that does not match the value (a name field).
int parseChallenge(const unsigned char header[kChallengeHeader], const unsigned char* rest,
                   size_t restLength, Challenge& out);

std::vector<unsigned char> chapResponse(const Challenge& challenge, const std::string& user,
                                        const std::string& password);

} // namespace telm
