#include "DiskSetChannel.h"

#include "DriverRequests.h"
#include "FibSend.h"
#include "FsaStatus.h"
#include "Trace.h"

#include <cstring>

namespace {

constexpr std::size_t kRecordOffset = 8; // input and output records, from the payload

struct StatusRow {
    std::uint32_t controller;
    FSA_STATUS status;
    bool synch; // also mapped by the synchronous channel
};

constexpr StatusRow kStatusMap[] = {
    {1, FSA_STS_SUCCESS, true},
    {7, FSA_STS_DEVICE_NOT_FOUND, true},
    {9, FSA_STS_DS_CHANNEL_STATUS_9, false},
    {12, FSA_STS_DS_NOT_OWNER_OF_DISK, true},
    {17, FSA_STS_DS_NOT_ATTACHED, false},
    {19, FSA_STS_DS_CHANNEL_STATUS_19, true},
    {21, FSA_STS_DS_CHANNEL_STATUS_21, true},
    {22, FSA_STS_DS_CHANNEL_STATUS_22, true},
    {23, FSA_STS_DS_CHANNEL_STATUS_23, true},
    {24, FSA_STS_CONTAINERS_PAUSED, false},
};

FSA_STATUS mapStatus(std::uint32_t controllerStatus, bool synch) {
    for (const StatusRow& row : kStatusMap)
        if (row.controller == controllerStatus && (row.synch || !synch))
            return row.status;
    return FSA_STS_DS_FAILED;
}

// Builds the FIB, sends it with `send` and copies the reply record back.
template <class Send>
FSA_STATUS exchange(std::uint32_t command, const void* in, std::size_t inSize, void* out,
                    std::size_t outSize, Send&& send, std::uint32_t* controllerStatus) {
    if (inSize >= DS_RECORD_LIMIT || outSize >= DS_RECORD_LIMIT)
        return FSA_STS_DS_COMM_FAILED;
    _FIB fib;
    FsaInitRequestFib(&fib, FIB_CLUSTER_COMMAND, sizeof fib.data);
    FsaSetFibWord(&fib, 0, command);
    if (inSize > 0)
        std::memcpy(fib.data + kRecordOffset, in, inSize);
    const FSA_STATUS sent = send(&fib);
    if (sent != FSA_STS_SUCCESS)
        return sent;
    *controllerStatus = FsaFibWord(&fib, 0);
    if (outSize > 0) {
        // A reply too short for the record would read as zeros: a count of
        // sets or members the controller never gave.
        if (fib.Size < kRecordOffset + outSize)
            return FSA_STS_DS_COMM_FAILED;
        std::memcpy(out, fib.data + kRecordOffset, outSize);
    }
    return FSA_STS_SUCCESS;
}

} // namespace

FSA_STATUS DS_MapStatus(std::uint32_t controllerStatus) {
    return mapStatus(controllerStatus, false);
}

FSA_STATUS DS_MapSynchStatus(std::uint32_t controllerStatus) {
    return mapStatus(controllerStatus, true);
}

FSA_STATUS DS_SendReceiveFIB(FSAAPI_CONTEXT* ctx, std::uint32_t command, const void* in,
                             std::size_t inSize, void* out, std::size_t outSize) {
    std::uint32_t controller = 0;
    const FSA_STATUS s = exchange(
        command, in, inSize, out, outSize,
        [ctx](_FIB* fib) { return FsaInternalSendReceiveFib(ctx, fib, 0); }, &controller);
    if (s != FSA_STS_SUCCESS)
        return s;
    const FSA_STATUS mapped = DS_MapStatus(controller);
    if (mapped == FSA_STS_DS_FAILED)
        UtilPrintDebugFormatted("DS_SendReceiveFIB failed. status = %d\n",
                                static_cast<int>(controller));
    return mapped;
}

FSA_STATUS DS_SendReceiveSynchFIB(FSAAPI_CONTEXT* ctx, std::uint32_t command, const void* in,
                                  std::size_t inSize, void* out, std::size_t outSize) {
    std::uint32_t controller = 0;
    FSA_STATUS s;
    try {
        s = exchange(
            command, in, inSize, out, outSize,
            [ctx](_FIB* fib) { return FsaInternalSendReceiveSynchFib(ctx, fib); }, &controller);
    } catch (FSA_STATUS thrown) {
        return thrown;
    }
    if (s != FSA_STS_SUCCESS)
        return s;
    const FSA_STATUS mapped = DS_MapSynchStatus(controller);
    if (mapped == FSA_STS_DS_FAILED)
        UtilPrintDebugFormatted("DS_SendReceiveSynchFIB failed. Status = %d\n",
                                static_cast<int>(controller));
    return mapped;
}
