#pragma once

// The single path every FIB takes to the controller.

#include "Context.h"
#include "FsaTypes.h"

// The transport a context's FIBs take, from its connection type and, on a
// local connection, its simulator kind; the last two name a corrupt context.
enum class FibTransport {
    Driver,
    Simulator,
    Remote,
    UnknownSimulatorKind,
    UnknownConnectionType,
};
// Every exchange below (send, synchronous send, event wait, driver call)
// follows this one choice.
FibTransport FsaFibTransportOf(const FSAAPI_CONTEXT* ctx);

// throwOnFailure non-zero: a failure is thrown; 0: returned.
FSA_STATUS FsaInternalSendReceiveFib(FSAAPI_CONTEXT* ctx, _FIB* fib, int throwOnFailure);
FSA_STATUS faos_SendReceiveFIB(FSAAPI_CONTEXT* ctx, _FIB* fib);
FSA_STATUS FsaInternalSendReceiveSynchFib(FSAAPI_CONTEXT* ctx, _FIB* fib);
int InternalWaitAndGetAsyncFib(FSAAPI_CONTEXT* ctx, _FIB* fib);
// FIB 704: 1 when the adapter reports itself paused. Throws on failure.
int FsaIsAdapterPaused(FSAAPI_CONTEXT* ctx);
// A request FIB: caller's transfer state, StructType 1, the given payload.
void FsaInitRequestFib(_FIB* fib, std::uint16_t command, std::uint16_t size);
std::uint32_t FsaFibWord(const _FIB* fib, std::size_t index);
void FsaSetFibWord(_FIB* fib, std::size_t index, std::uint32_t value);
