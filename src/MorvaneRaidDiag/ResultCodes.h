#pragma once
// The result codes of the RAID diagnostic's tests, the word each writes for
// them in its result line, and their event type.

#include "Diag/DiagnosticResult.h"

namespace VarnDiags::MorvaneRaidDiag {

enum RaidResultCode : unsigned int {
    TEST_COMPLETED_SUCCESSFULLY = 0,
    INVALID_DEVICE_REFERENCE = 3,
    FOUND_NEW_SCSI_DEVICES = 5,
    MISSING_SCSI_DEVICES = 6,
    NVRAM_ERROR = 7,
    BATTERY_NEEDS_RECONDITIONING = 8,
    BATTERY_LOW = 9,
    PAUSE_IO_FUNCTION_FAILED = 10,
    RESUME_IO_FUNCTION_FAILED = 11,
    TASK_SCHEDULER_FUNCTION_FAILED = 12,
    NVRAM_STATE_UNREADABLE = 13,
    BATTERY_STATE_UNREADABLE = 14,
    TEST_DUMP_LOG_FUNCTION_FAILED = 15,
    GET_GLOBAL_CACHE_PARAMS_FAILED = 16,
    GET_SMART_INFO_FAILED = 17,
};

// The word of a code in the result line ("" for a code without one); the
// NVRAM and battery codes give the word of the state behind them.
const char* resultCodeWord(unsigned int code);
// The event type a code is reported with (the battery codes turn into
// errors together with an NVRAM error, which their test decides).
Diag::DiagnosticEvent::EventType resultCodeEventType(unsigned int code);
// "PASSED" or "UNUSUAL_STATUS" / "FAILED"; "INFORMATION_EVENT",
// "WARNING_EVENT" or "ERROR_EVENT".
const char* testResultWord(Diag::DiagnosticResult::TestResult result);
const char* eventTypeWord(Diag::DiagnosticEvent::EventType type);

// A new result for a code: PASSED for code 0, UNUSUAL_STATUS otherwise,
// with the code's event type and parameter 0.
Diag::DiagnosticResult* makeResult(unsigned int code);
// The same with another event type than the code's own.
Diag::DiagnosticResult* makeResult(unsigned int code, Diag::DiagnosticEvent::EventType type);

} // namespace VarnDiags::MorvaneRaidDiag
