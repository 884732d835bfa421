#pragma once

// Adapter events: the event-and-task request FIB, the receive thread, event
// decoding, filtering and delivery.

#include "Context.h"
#include "FsaTypes.h"

#include <cstdint>

constexpr std::uint32_t AIF_REQUEST_WORDS = 17;
constexpr std::uint32_t AIF_MAX_TASKS = 28;

// Event bits.
constexpr std::uint32_t FSA_EVENT_REGISTERED = 0x1;
constexpr std::uint32_t FSA_EVENT_CLOSED = 0x2;
constexpr std::uint32_t FSA_EVENT_PAUSED = 0x400;
constexpr std::uint32_t FSA_EVENT_RESUMED = 0x800;
constexpr std::uint32_t FSA_EVENT_JOB_PROGRESS = 0x8000;
constexpr std::uint32_t FSA_EVENT_PARTNER = 0x2000000;

FSA_STATUS AIF_SendFIB(FSAAPI_CONTEXT* ctx, const std::uint32_t* request, std::uint32_t size,
                       _FIB* reply, int throwOnFailure);
void AIF_SendEventToAllClients(FSAAPI_CONTEXT* ctx, std::uint32_t eventBit,
                               const FSA_EVENT_DETAILS* details);

// Task lists: the record count; with an array (up to AIF_MAX_TASKS entries,
// or `capacity` when smaller) the translated descriptors.
std::uint32_t AIF_GetTaskListForAll(FSAAPI_CONTEXT* ctx, FSA_TASK_DESCRIPTOR* array,
                                    std::uint32_t capacity);
std::uint32_t AIF_GetTaskListForContainer(FSAAPI_CONTEXT* ctx, std::uint32_t containerId,
                                          FSA_TASK_DESCRIPTOR* array, std::uint32_t capacity);
std::uint32_t AIF_GetTaskListForScsi(FSAAPI_CONTEXT* ctx, std::uint32_t deviceId,
                                     FSA_TASK_DESCRIPTOR* array, std::uint32_t capacity);
// Record counts a reply of `size` bytes (counted from the FIB start) holds.
std::uint32_t AIF_ReplyRecordCount(std::uint16_t size, std::uint32_t recordBytes);
std::uint32_t AIF_TranslateJDResponseFIB(FSAAPI_CONTEXT* ctx, const _FIB* reply,
                                         FSA_TASK_DESCRIPTOR* array, std::uint32_t capacity);
std::uint32_t AIF_TranslatePRResponseFIB(FSAAPI_CONTEXT* ctx, const _FIB* reply,
                                         FSA_TASK_DESCRIPTOR* array, std::uint32_t capacity);

// Receive side.
int AIF_LocalWaitForFib(FSAAPI_CONTEXT* ctx, _FIB* fib);
int AIF_StartThreadProcessing(FSAAPI_CONTEXT* ctx);
void AIF_StopThreadProcessing(FSAAPI_CONTEXT* ctx);
void AIF_ReceiveLoop(FSAAPI_CONTEXT* ctx);
// Ends a service's receive loop: closes the thread's channel.
FSA_STATUS AIF_StopServerThreadProcessing(void* handle);
void AIF_ParseAndProcessFib(FSAAPI_CONTEXT* ctx, FSAAPI_CONTEXT* receiving, const _FIB* fib);
// Decodes an event notification (AIF command 1); 0 when it yields no event.
std::uint32_t ParseAifEventNotifyFib(FSAAPI_CONTEXT* ctx, const _FIB* fib,
                                     FSA_EVENT_DETAILS* details);
void AIF_FilterAndProcessEvent(FSAAPI_CONTEXT* ctx, FSAAPI_CONTEXT* receiving,
                               std::uint32_t eventBit, FSA_EVENT_DETAILS* details);
void AIF_DeliverToCallback(FSAAPI_CONTEXT* ctx, std::uint32_t eventBit, FSA_EVENT_DETAILS* details);
