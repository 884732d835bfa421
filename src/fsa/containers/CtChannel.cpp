#include "CtChannel.h"

#include "DriverRequests.h"
#include "FibSend.h"
#include "Trace.h"

#include <algorithm>
#include <atomic>
#include <cstring>

namespace {

constexpr std::uint32_t kVmContainerConfig = 2;
constexpr std::uint32_t kContinueData = 83;
constexpr std::uint32_t kStopData = 84;
constexpr std::uint32_t kCtContinuationOk = 200;
constexpr std::uint32_t kCtContinuationData = 201;
constexpr std::uint32_t kCtContinuationStopOk = 198;
constexpr std::uint16_t kContainerSize = 464;

// Payload offsets.
constexpr std::size_t kKind = 0;
constexpr std::size_t kCommandWord = 1;
constexpr std::size_t kParam0 = 2;
constexpr std::size_t kHandle = 5;
constexpr std::size_t kPiece = 6;
constexpr std::size_t kTcount = 7;
constexpr std::size_t kData = 32;

FSA_STATUS checkReply(const _FIB& fib, std::uint32_t expected, const char* wrongLine) {
    if (FsaFibWord(&fib, kKind) != 0)
        return FSA_STS_CT_BAD_RESPONSE;
    if (FsaFibWord(&fib, kCommandWord) != expected) {
        UtilPrintDebugFormatted("%s", wrongLine);
        return FSA_STS_CT_WRONG_RESPONSE;
    }
    return FSA_STS_SUCCESS;
}

void unpackWords(const _FIB& fib, std::uint32_t* p0, std::uint32_t* p1, std::uint32_t* p2) {
    std::uint32_t* const ps[3] = {p0, p1, p2};
    for (std::size_t i = 0; i < 3; ++i)
        if (ps[i])
            *ps[i] = FsaFibWord(&fib, kParam0 + i);
}

void sendStop(FSAAPI_CONTEXT* ctx, _FIB& fib, std::uint32_t handle) {
    FsaSetFibWord(&fib, kCommandWord, kStopData);
    FsaSetFibWord(&fib, kHandle, handle);
    FsaSetFibWord(&fib, kKind, kVmContainerConfig);
    fib.Size = kContainerSize;
    FsaInternalSendReceiveFib(ctx, &fib, 1);
}

// The long-reply protocol after a CT_CONTINUATION_DATA answer.
FSA_STATUS fetchContinuation(FSAAPI_CONTEXT* ctx, _FIB& fib, std::uint32_t* p0, std::uint32_t* p1,
                             std::uint32_t* p2, std::uint8_t* out, std::uint32_t outLen) {
    std::uint32_t remaining = FsaFibWord(&fib, 3);
    const std::uint32_t finalWord0 = FsaFibWord(&fib, 4);
    const std::uint32_t handle = FsaFibWord(&fib, 5);
    const std::uint32_t pieces =
        static_cast<std::uint32_t>((std::uint64_t(remaining) + CT_DATA_MAX - 1) / CT_DATA_MAX);
    // A reply longer than the caller's buffer is refused: the pieces are
    // released on the controller and nothing is stored past outLen.
    if (remaining > outLen) {
        UtilPrintDebugFormatted("Error: count larger then packet size fcount:%u tcount:%u\n",
                                remaining, outLen);
        sendStop(ctx, fib, handle);
        return FSA_STS_CT_PACKET_TOO_LARGE;
    }
    for (std::uint32_t i = 0; i < pieces; ++i) {
        FsaSetFibWord(&fib, kCommandWord, kContinueData);
        FsaSetFibWord(&fib, kHandle, handle);
        FsaSetFibWord(&fib, kPiece, i);
        FsaSetFibWord(&fib, kKind, kVmContainerConfig);
        fib.Size = kContainerSize;
        FsaInternalSendReceiveFib(ctx, &fib, 1);
        const FSA_STATUS served =
            checkReply(fib, kContinueData, "Received wrong response2, aborting command\n");
        if (served == FSA_STS_CT_WRONG_RESPONSE)
            return served;
        // A piece the controller did not serve, or could not hand over,
        // carries no data: a table read with a hole in it would lose what
        // lies in the hole. The controller knows the command whose reply it
        // announced, so the failure is not 37 either, which callers take for
        // a command the controller does not know.
        if (const std::uint32_t answer = FsaFibWord(&fib, kParam0);
            served != FSA_STS_SUCCESS ||
            (answer != kCtContinuationOk && answer != kCtContinuationData)) {
            if (served == FSA_STS_SUCCESS)
                CT_DebugPrintStatus(static_cast<int>(answer));
            sendStop(ctx, fib, handle);
            return FSA_STS_FAILURE;
        }
        const std::uint32_t piece = std::min(CT_DATA_MAX, remaining);
        const std::uint64_t offset = std::uint64_t(i) * CT_DATA_MAX;
        if (out && offset < outLen)
            std::memcpy(out + offset, fib.data + kData,
                        std::min<std::uint64_t>(piece, outLen - offset));
        remaining -= piece;
    }
    sendStop(ctx, fib, handle);
    if (const FSA_STATUS s =
            checkReply(fib, kStopData, "Received wrong response, aborting command\n");
        s != FSA_STS_SUCCESS)
        return s == FSA_STS_CT_BAD_RESPONSE ? FSA_STS_FAILURE : s; // a stop not served
    const std::uint32_t stopAnswer = FsaFibWord(&fib, kParam0);
    if (stopAnswer == kCtContinuationStopOk) {
        if (p0)
            *p0 = finalWord0;
        return FSA_STS_SUCCESS;
    }
    // A stop the controller refused carries no final reply to unpack.
    if (CT_IsRefusal(stopAnswer)) {
        CT_DebugPrintStatus(static_cast<int>(stopAnswer));
        return FSA_STS_FAILURE;
    }
    unpackWords(fib, p0, p1, p2);
    if (out && outLen)
        std::memcpy(out, fib.data + kData, std::min(outLen, CT_DATA_MAX));
    return FSA_STS_SUCCESS;
}

FSA_STATUS exchange(FSAAPI_CONTEXT* ctx, std::uint32_t ctCommand, std::uint32_t* p0,
                    std::uint32_t* p1, std::uint32_t* p2, const void* in, std::uint32_t inLen,
                    void* out, std::uint32_t outLen) {
    if (inLen > CT_DATA_MAX) {
        UtilPrintDebugFormatted("Error: count larger then packet size fcount:%u tcount:%u\n", inLen,
                                outLen);
        return FSA_STS_CT_PACKET_TOO_LARGE;
    }
    _FIB fib;
    FsaInitRequestFib(&fib, FIB_CONTAINER_COMMAND, kContainerSize);
    FsaSetFibWord(&fib, kKind, kVmContainerConfig);
    FsaSetFibWord(&fib, kCommandWord, ctCommand);
    if (in && inLen)
        std::memcpy(fib.data + kData, in, inLen);
    std::uint32_t* const ps[3] = {p0, p1, p2};
    for (std::size_t i = 0; i < 3; ++i)
        FsaSetFibWord(&fib, kParam0 + i, ps[i] ? *ps[i] : 0);
    FsaSetFibWord(&fib, kTcount, outLen);
    if (const FSA_STATUS s = FsaInternalSendReceiveFib(ctx, &fib, 0); s != FSA_STS_SUCCESS)
        return s;
    if (const FSA_STATUS s =
            checkReply(fib, ctCommand, "Received wrong response, aborting command\n");
        s != FSA_STS_SUCCESS)
        return s;
    if (FsaFibWord(&fib, kParam0) == kCtContinuationData)
        return fetchContinuation(ctx, fib, p0, p1, p2, static_cast<std::uint8_t*>(out),
                                 out ? outLen : 0);
    if (outLen > CT_DATA_MAX) {
        UtilPrintDebugFormatted("Error: count larger then packet size fcount:%u tcount:%u\n", inLen,
                                outLen);
        return FSA_STS_CT_PACKET_TOO_LARGE;
    }
    unpackWords(fib, p0, p1, p2);
    if (out && outLen)
        std::memcpy(out, fib.data + kData, outLen);
    return FSA_STS_SUCCESS;
}

} // namespace

bool CT_IsRefusal(std::uint32_t answer) {
    constexpr std::uint32_t kCtInvalidArgument = 219;
    constexpr std::uint32_t kCtGenericError = 226;
    return answer == kCtInvalidArgument || answer == kCtGenericError;
}

FSA_STATUS CT_SendReceiveFIB(FSAAPI_CONTEXT* ctx, std::uint32_t ctCommand, std::uint32_t* p0,
                             std::uint32_t* p1, std::uint32_t* p2, const void* in,
                             std::uint32_t inLen, void* out, std::uint32_t outLen,
                             int throwOnError) {
    const FSA_STATUS status = exchange(ctx, ctCommand, p0, p1, p2, in, inLen, out, outLen);
    if (throwOnError && status != FSA_STS_SUCCESS)
        throw status;
    return status;
}
