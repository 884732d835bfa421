// The event-and-task request FIB (700) and the translation of its task
// lists.
#include "Aif.h"

#include "DriverRequests.h"
#include "FibSend.h"
#include "ScsiCommands.h"
#include "TaskCallbackManager.h"
#include "Tasks.h"
#include "Trace.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr std::size_t kRecordsAt = 8; // payload byte of the first record
constexpr std::uint32_t kReplyHeader = 40;
} // namespace

FSA_STATUS AIF_SendFIB(FSAAPI_CONTEXT* ctx, const std::uint32_t* request, std::uint32_t size,
                       _FIB* reply, int throwOnFailure) {
    _FIB fib;
    FsaInitRequestFib(&fib, FIB_AIF_REQUEST, static_cast<std::uint16_t>(size));
    std::memcpy(fib.data, request, std::min<std::size_t>(size, sizeof fib.data));
    const FSA_STATUS status = FsaInternalSendReceiveFib(ctx, &fib, 0);
    if (status == FSA_STS_SUCCESS)
        std::memcpy(reply, &fib, sizeof fib);
    else if (throwOnFailure)
        throw status;
    return status;
}

void AIF_SendEventToAllClients(FSAAPI_CONTEXT* ctx, std::uint32_t eventBit,
                               const FSA_EVENT_DETAILS* details) {
    std::uint32_t request[AIF_REQUEST_WORDS] = {107, eventBit};
    if (details)
        std::memcpy(&request[2], details->words, 15 * 4);
    _FIB reply;
    AIF_SendFIB(ctx, request, sizeof request, &reply, 1);
}

std::uint32_t AIF_ReplyRecordCount(std::uint16_t size, std::uint32_t recordBytes) {
    if (size <= kReplyHeader)
        return 0;
    const std::uint32_t fits =
        static_cast<std::uint32_t>((sizeof(_FIB) - kReplyHeader) / recordBytes);
    return std::min<std::uint32_t>((size - kReplyHeader) / recordBytes, fits);
}

namespace {

// Job descriptions (16 bytes) and progress reports (36 bytes, a job
// description first) translate alike.
std::uint32_t translate(FSAAPI_CONTEXT* ctx, const _FIB* reply, std::uint32_t recordBytes,
                        FSA_TASK_DESCRIPTOR* array, std::uint32_t capacity) {
    const std::uint32_t count = AIF_ReplyRecordCount(reply->Size, recordBytes);
    if (array) {
        const std::uint32_t n = std::min({count, capacity, AIF_MAX_TASKS});
        for (std::uint32_t i = 0; i < n; ++i) {
            AifJobProgressReport record{};
            std::memcpy(&record, reply->data + kRecordsAt + recordBytes * i, recordBytes);
            CB_JobDescToTaskDesc(ctx, &record, &array[i]);
        }
    }
    return count;
}

} // namespace

std::uint32_t AIF_TranslateJDResponseFIB(FSAAPI_CONTEXT* ctx, const _FIB* reply,
                                         FSA_TASK_DESCRIPTOR* array, std::uint32_t capacity) {
    return translate(ctx, reply, 16, array, capacity);
}

std::uint32_t AIF_TranslatePRResponseFIB(FSAAPI_CONTEXT* ctx, const _FIB* reply,
                                         FSA_TASK_DESCRIPTOR* array, std::uint32_t capacity) {
    return translate(ctx, reply, 36, array, capacity);
}

namespace {

// Callers decide from a task list whether a drive or container is idle and
// may be zeroed, deleted or reconfigured; a list that may have lost records
// must not read as "no tasks". A reply with a bad status, without its status
// words or ending in a part record is refused. One that claims the whole FIB
// or more is read as full (the count is clamped), which errs towards busy.
bool trustworthyList(const _FIB& reply, std::uint32_t recordBytes) {
    if (FsaFibWord(&reply, 0) != 0 || reply.Size < kReplyHeader)
        return false;
    return reply.Size >= sizeof reply || (reply.Size - kReplyHeader) % recordBytes == 0;
}

// Every record of a one-object list names the object it was asked for: a
// record of another object (a stale reply, a damaged one) would have the
// caller end or wait for tasks it was not addressed to.
bool listsOnly(const _FIB& reply, std::uint32_t object) {
    constexpr std::size_t kObjectAt = 8; // record byte of the object id
    const std::uint32_t count = AIF_ReplyRecordCount(reply.Size, sizeof(AifJobProgressReport));
    for (std::uint32_t i = 0; i < count; ++i) {
        std::uint32_t named = 0;
        std::memcpy(&named, reply.data + kRecordsAt + sizeof(AifJobProgressReport) * i + kObjectAt,
                    sizeof named);
        if (named != object)
            return false;
    }
    return true;
}

std::uint32_t listTasks(FSAAPI_CONTEXT* ctx, std::uint32_t code, std::uint32_t object,
                        FSA_TASK_DESCRIPTOR* array, std::uint32_t capacity) {
    const std::uint32_t request[AIF_REQUEST_WORDS] = {code, object};
    _FIB reply;
    AIF_SendFIB(ctx, request, sizeof request, &reply, 1);
    const bool wholeAdapter = code == 100;
    const std::uint32_t recordBytes = wholeAdapter ? 16 : sizeof(AifJobProgressReport);
    if (!trustworthyList(reply, recordBytes)) {
        UtilPrintDebugFormatted("Task list request %u: unusable reply (status %u, size %u)\n", code,
                                FsaFibWord(&reply, 0), static_cast<unsigned>(reply.Size));
        throw FSA_STS_FAILURE;
    }
    if (!wholeAdapter && !listsOnly(reply, object)) {
        UtilPrintDebugFormatted("Task list request %u: a record of another object than %u\n", code,
                                object);
        throw FSA_STS_FAILURE;
    }
    return translate(ctx, &reply, recordBytes, array, capacity);
}

} // namespace

std::uint32_t AIF_GetTaskListForAll(FSAAPI_CONTEXT* ctx, FSA_TASK_DESCRIPTOR* array,
                                    std::uint32_t capacity) {
    return listTasks(ctx, 100, 0, array, capacity);
}

std::uint32_t AIF_GetTaskListForContainer(FSAAPI_CONTEXT* ctx, std::uint32_t containerId,
                                          FSA_TASK_DESCRIPTOR* array, std::uint32_t capacity) {
    return listTasks(ctx, 101, containerId, array, capacity);
}

std::uint32_t AIF_GetTaskListForScsi(FSAAPI_CONTEXT* ctx, std::uint32_t deviceId,
                                     FSA_TASK_DESCRIPTOR* array, std::uint32_t capacity) {
    return listTasks(ctx, 102, deviceId, array, capacity);
}
