// Processing of received AIFs: filtering, effects on the context and
// delivery to the general callback; polling and broadcasts.
#include "Aif.h"

#include "CtChannel.h"
#include "CtWrappers.h"
#include "FibSend.h"
#include "Frame.h"
#include "FsaApi.h"
#include "OsLayer.h"
#include "ScsiCommands.h"
#include "Tasks.h"
#include "Trace.h"

#include <cstring>

namespace {

constexpr std::size_t kAifBody = 8; // payload byte where the content starts
constexpr std::uint32_t kPollRecordBytes = 328;

bool invalidatesCache(std::uint32_t bit, const FSA_EVENT_DETAILS* d) {
    switch (bit) {
    case 0x4:
    case 0x20:
    case 0x20000:
    case 0x40000:
        return true;
    case 0x100: {
        const std::uint32_t k = d->words[3];
        return k == 0 || k == 4 || k == 9 || k == 10 || k == 11 || k == 12 || k == 19;
    }
    case 0x400000: {
        const std::uint32_t k = d->words[8];
        return k == 3 || k == 4 || k == 15;
    }
    default:
        return false;
    }
}

// Events seen on the cluster partner's adapter that concern this side only
// when their object maps here; no partner is opened on this platform, so
// none of them is delivered.
bool deliverFromPartner(std::uint32_t) {
    return false;
}

// Decodes one AIF of command 1 or 3; 0 when it carries no event.
std::uint32_t decodeEvent(FSAAPI_CONTEXT* ctx, const _FIB* fib, FSA_EVENT_DETAILS* d) {
    switch (FsaFibWord(fib, 0)) {
    case 1:
        return ParseAifEventNotifyFib(ctx, fib, d);
    case 3: {
        const std::uint32_t bit = FsaFibWord(fib, 2);
        std::memcpy(d->words, fib->data + kAifBody + 4, sizeof d->words);
        return bit;
    }
    default:
        return 0;
    }
}

} // namespace

void AIF_DeliverToCallback(FSAAPI_CONTEXT* ctx, std::uint32_t eventBit,
                           FSA_EVENT_DETAILS* details) {
    const FAUX_CALLBACK_PASS pass(ctx->callback.gate);
    if (!pass)
        return;
    FSA_GENERAL_CALLBACK fn = ctx->callback.function.load();
    if (!fn || !(ctx->callback.mask.load() & eventBit))
        return;
    if (fn(UtilHandleFromValue(ctx->handle), eventBit, details, ctx->callback.user.load()) == 0)
        ctx->callback.mask.fetch_and(~eventBit);
}

void AIF_FilterAndProcessEvent(FSAAPI_CONTEXT* ctx, FSAAPI_CONTEXT* receiving, std::uint32_t bit,
                               FSA_EVENT_DETAILS* d) {
    const bool own = !receiving || receiving == ctx;
    if (invalidatesCache(bit, d))
        CT_InvalidateCache(ctx);
    if (own && bit == FSA_EVENT_PAUSED)
        ctx->paused.store(1);
    if (own && bit == FSA_EVENT_RESUMED)
        ctx->paused.store(0);
    if (bit == FSA_EVENT_PARTNER) {
        if (d->words[0] != 2 || ctx->partnerHandle || ctx->partnerContext)
            return;
        ctx->partnerCameOnline.store(1);
    }
    if (!own && !deliverFromPartner(bit))
        return;
    AIF_DeliverToCallback(ctx, bit, d);
}

void AIF_ParseAndProcessFib(FSAAPI_CONTEXT* ctx, FSAAPI_CONTEXT* receiving, const _FIB* fib) {
    FSAAPI_CONTEXT* source = receiving ? receiving : ctx;
    switch (FsaFibWord(fib, 0)) {
    case 1:
    case 3: {
        FSA_EVENT_DETAILS d;
        if (const std::uint32_t bit = decodeEvent(source, fib, &d))
            AIF_FilterAndProcessEvent(ctx, receiving, bit, &d);
        break;
    }
    case 2: {
        const std::uint32_t n = AIF_ReplyRecordCount(fib->Size, 36);
        for (std::uint32_t i = 0; i < n; ++i) {
            AifJobProgressReport report;
            std::memcpy(&report, fib->data + kAifBody + 36 * i, sizeof report);
            ctx->taskCallbacks.DoCallback(ctx, receiving, &report);
        }
        break;
    }
    case 4:
        UtilPrintDebugFormatted("AIF_FibThreadProcessing: API received driver event, ignoring\n");
        break;
    default:
        break;
    }
}

extern "C" {

FSA_STATUS FsaRegisterGeneralCallback(void* handle, std::uint32_t mask,
                                      FSA_GENERAL_CALLBACK callback, void* user) {
    return FsaExportedCall(handle, {}, [&](FSAAPI_CONTEXT* ctx) {
        ctx->callback.user.store(user);
        ctx->callback.mask.store(mask);
        ctx->callback.function.store(callback);
        AIF_DeliverToCallback(ctx, FSA_EVENT_REGISTERED, nullptr);
        CT_UpdateEvents(ctx);
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaPollForEvent(void* handle, unsigned int bufferSize, void* buffer) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly, false, true}, [&](FSAAPI_CONTEXT* ctx) {
        if (bufferSize < kPollRecordBytes || !buffer)
            return FSA_STS_BUFFER_TOO_SMALL;
        if (!ctx->pollChannel)
            ctx->pollChannel = faos_OpenAIFReceiveChannel(ctx);
        _FIB fib;
        if (!ctx->pollChannel || faos_GetAIF(ctx, ctx->pollChannel, 0, &fib) != 0)
            return FSA_STS_NO_PENDING_EVENTS;
        std::uint32_t bit = 0;
        FSA_EVENT_DETAILS d{};
        if (FsaFibWord(&fib, 0) == 2) {
            if (AIF_ReplyRecordCount(fib.Size, 36) >= 1) {
                AifJobProgressReport report;
                std::memcpy(&report, fib.data + kAifBody, sizeof report);
                FSA_TASK_INFO info;
                CB_JobPRToTaskInfo(ctx, &report, &info);
                std::memcpy(d.words, &info, sizeof info);
                bit = FSA_EVENT_JOB_PROGRESS;
            }
        } else {
            bit = decodeEvent(ctx, &fib, &d);
        }
        auto* out = static_cast<std::uint8_t*>(buffer);
        std::memcpy(out, &bit, 4);
        std::memcpy(out + 8, d.words, sizeof d.words);
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaSendAifEvent(void* handle, std::uint32_t eventBit, const FSA_EVENT_DETAILS* details) {
    return FsaExportedCall(handle, {}, [&](FSAAPI_CONTEXT* ctx) {
        AIF_SendEventToAllClients(ctx, eventBit, details);
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FtaNotifyFormatComplete(void* handle, char) {
    // Drive letters are not kept on this host.
    return FsaExportedCall(handle, {}, [](FSAAPI_CONTEXT*) { return FSA_STS_SUCCESS; });
}

FSA_STATUS FtaNotifyAppFilesysChanged(void* handle, const tag_FSA_CONTAINER* container) {
    return FsaExportedCall(handle, {}, [&](FSAAPI_CONTEXT* ctx) {
        FSA_EVENT_DETAILS d{};
        if (container)
            std::memcpy(d.words, container, sizeof *container);
        AIF_SendEventToAllClients(ctx, 0x80, &d);
        return FSA_STS_SUCCESS;
    });
}

} // extern "C"
