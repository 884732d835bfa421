// Adapter-wide maintenance: pause and resume of an adapter's I/O, the
// paused state as the library sees it (set here and by the paused/resumed
// adapter events), the user-interface callback and the host OS tests.
#include "CtOperations.h"
#include "Frame.h"
#include "FsaApi.h"
#include "FsaMaintenance.h"

namespace {

constexpr unsigned int kLongestPause = 150;

// Pause (seconds > 0) or resume (0) of one adapter-table entry.
FSA_STATUS internalPauseResumeIo(void* handle, unsigned int seconds, std::uint32_t flag) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly, false, true}, [&](FSAAPI_CONTEXT* ctx) {
        if (seconds != 0) {
            if (ctx->paused.load())
                return FSA_STS_ADAPTER_PAUSED;
            if (seconds > kLongestPause)
                return FSA_STS_PAUSE_TOO_LONG;
            CT_PauseIo(ctx, seconds, 0, flag);
            ctx->paused.store(1);
            return FSA_STS_SUCCESS;
        }
        // Releasing I/O that is not paused: the controller pauses first
        // and rescans its buses, so that the release finds new devices.
        if (!ctx->paused.load())
            CT_PauseIo(ctx, kLongestPause, 1, flag);
        ctx->paused.store(0);
        CT_ReleaseIo(ctx);
        return FSA_STS_SUCCESS;
    });
}

} // namespace

extern "C" {

FSA_STATUS FsaPauseResumeIo(void* handle, unsigned int seconds) {
    return FsaExportedCall(
        handle, {FsaAccessSet::ReadWrite, false, true}, [&](FSAAPI_CONTEXT* ctx) {
            for (std::uint32_t i = 0; i < ctx->adapterCount; ++i) {
                const FSA_STATUS s =
                    internalPauseResumeIo(UtilHandleFromValue(ctx->adapters[i].handle), seconds, 0);
                if (s != FSA_STS_SUCCESS)
                    return s;
            }
            return FSA_STS_SUCCESS;
        });
}

FSA_STATUS FsaPauseResumeIoStatus(void* handle, unsigned int* state) {
    const FsaContextHold ctx = UtilGetContextFromHandle(handle);
    if (!ctx)
        return FSA_STS_INVALID_HANDLE;
    *state = ctx->paused.load() ? FSA_STS_ADAPTER_PAUSED : FSA_STS_ADAPTER_NOT_PAUSED;
    return FSA_STS_SUCCESS;
}

FSA_STATUS FsaPauseResumeIoStatusEx(void* handle, unsigned int index, unsigned int* state) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadWrite, true, true}, [&](FSAAPI_CONTEXT*) {
        void* entry = nullptr;
        if (const FSA_STATUS s = FsaGetHandleFromIndex(handle, index, &entry); s != FSA_STS_SUCCESS)
            return s;
        return FsaPauseResumeIoStatus(entry, state);
    });
}

FSA_STATUS FsaSetUiThreadCallBack(void* handle, void* callback, void* callbackArg,
                                  unsigned int extraWord) {
    return FsaExportedCall(handle, {}, [&](FSAAPI_CONTEXT* ctx) {
        ctx->uiCallback = callback;
        ctx->uiCallbackArg = callbackArg;
        ctx->uiCallbackWord = extraWord;
        for (std::uint32_t i = 1; i < ctx->adapterCount; ++i) {
            const FSA_STATUS s = FsaSetUiThreadCallBack(
                UtilHandleFromValue(ctx->adapters[i].handle), callback, callbackArg, extraWord);
            if (s != FSA_STS_SUCCESS)
                return s;
        }
        return FSA_STS_SUCCESS;
    });
}

int FsaIsUnixOS(unsigned int osType) {
    return osType == 4 || osType == 5 || osType == 9 || osType == 11;
}

int FsaIsNTOS(unsigned int osType) {
    return osType == 1 || osType == 8 || osType == 10;
}

unsigned int FsaGetOSType() {
    FSA_GENERAL_INFO info;
    FsaGetGeneralInformation(nullptr, &info);
    return info.osType2 != 0 ? info.osType2 : info.osType;
}

} // extern "C"
