#include "CtOperations.h"

#include "CtChannel.h"

#include <initializer_list>

namespace {

constexpr std::uint32_t CT_PAUSE_IO = 65;
constexpr std::uint32_t CT_RELEASE_IO = 66;
constexpr std::uint32_t CT_PAUSE_SUCCESS = 173;
constexpr std::uint32_t CT_RELEASE_NOT_PAUSED = 174;
constexpr std::uint32_t CT_RELEASE_SUCCESS = 175;

// One accepted CT status and whether it marks the caches stale.
struct Success {
    std::uint32_t ctStatus;
    bool invalidatesCache;
};

// One container operation: its command, the statuses it accepts and the
// FSA_STATUS every other answer becomes.
struct CtOperation {
    std::uint32_t command;
    std::initializer_list<Success> accepted;
    FSA_STATUS failure;
};

const CtOperation kPauseIo{CT_PAUSE_IO, {{CT_PAUSE_SUCCESS, false}}, FSA_STS_PAUSE_IO_FAILED};
const CtOperation kReleaseIo{CT_RELEASE_IO,
                             {{CT_RELEASE_SUCCESS, true}, {CT_RELEASE_NOT_PAUSED, false}},
                             FSA_STS_RELEASE_IO_FAILED};

void perform(FSAAPI_CONTEXT* ctx, const CtOperation& op, std::uint32_t w0 = 0, std::uint32_t w1 = 0,
             std::uint32_t w2 = 0) {
    CT_SendReceiveFIB(ctx, op.command, &w0, &w1, &w2, nullptr, 0, nullptr, 0, 1);
    for (const Success& s : op.accepted) {
        if (w0 != s.ctStatus)
            continue;
        if (s.invalidatesCache)
            CT_InvalidateCache(ctx);
        return;
    }
    CT_DebugPrintStatus(static_cast<int>(w0));
    throw op.failure;
}

} // namespace

void CT_PauseIo(FSAAPI_CONTEXT* ctx, std::uint32_t w0, std::uint32_t w1, std::uint32_t w2) {
    perform(ctx, kPauseIo, w0, w1, w2);
}

void CT_ReleaseIo(FSAAPI_CONTEXT* ctx) {
    perform(ctx, kReleaseIo);
}
