// Login challenges from the card: parsing never reads or keeps more than the
// challenge buffer holds.
#include "login.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < telm::kChallengeHeader)
        return 0;
    int rest = telm::challengeRestLength(data);
    if (rest < 0)
        return 0;
    if (static_cast<size_t>(rest) > telm::kChallengeBuffer)
        __builtin_trap();
    size_t available = size - telm::kChallengeHeader;
    if (available < static_cast<size_t>(rest))
        return 0;
    // The rest lands in a buffer of exactly the announced size.
    unsigned char copy[telm::kChallengeBuffer];
    for (int i = 0; i < rest; ++i)
        copy[i] = data[telm::kChallengeHeader + i];
    telm::Challenge challenge;
    if (telm::parseChallenge(data, copy, static_cast<size_t>(rest), challenge) == 0) {
        if (challenge.value.size() > telm::kMaxChallengeValue)
            __builtin_trap();
        telm::chapResponse(challenge, "admin", "secret");
    }
    return 0;
}
