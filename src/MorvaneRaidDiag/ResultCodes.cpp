#include "ResultCodes.h"

namespace VarnDiags::MorvaneRaidDiag {

namespace {

using Diag::DiagnosticEvent;
using Diag::DiagnosticResult;

struct ResultCodeRow {
    unsigned int code;
    const char* word;
    DiagnosticEvent::EventType type;
};

// The NVRAM and battery codes carry the word of the state that set them.
const ResultCodeRow kResultCodes[] = {
    {TEST_COMPLETED_SUCCESSFULLY, "TEST_COMPLETED_SUCCESSFULLY",
     DiagnosticEvent::INFORMATION_EVENT},
    {INVALID_DEVICE_REFERENCE, "INVALID_DEVICE_REFERENCE", DiagnosticEvent::ERROR_EVENT},
    {FOUND_NEW_SCSI_DEVICES, "FOUND_NEW_SCSI_DEVICES", DiagnosticEvent::WARNING_EVENT},
    {MISSING_SCSI_DEVICES, "MISSING_SCSI_DEVICES", DiagnosticEvent::WARNING_EVENT},
    {NVRAM_ERROR, "NVRAM_IN_ERROR_STATE", DiagnosticEvent::ERROR_EVENT},
    {BATTERY_NEEDS_RECONDITIONING, "NVRAM_BATTERY_NEEDS_RECONDITIONING",
     DiagnosticEvent::WARNING_EVENT},
    {BATTERY_LOW, "NVRAM_BATTERY_IS_LOW", DiagnosticEvent::WARNING_EVENT},
    {PAUSE_IO_FUNCTION_FAILED, "PAUSE_IO_FUNCTION_FAILED", DiagnosticEvent::ERROR_EVENT},
    {RESUME_IO_FUNCTION_FAILED, "RESUME_IO_FUNCTION_FAILED", DiagnosticEvent::ERROR_EVENT},
    {TASK_SCHEDULER_FUNCTION_FAILED, "TASK_SCHEDULER_FUNCTION_FAILED",
     DiagnosticEvent::ERROR_EVENT},
    {NVRAM_STATE_UNREADABLE, "TEST_FAILED_TO_GET_NVRAM_STATE", DiagnosticEvent::ERROR_EVENT},
    {BATTERY_STATE_UNREADABLE, "TEST_FAILED_TO_GET_NVRAM_BATTERY_STATE",
     DiagnosticEvent::ERROR_EVENT},
    {TEST_DUMP_LOG_FUNCTION_FAILED, "TEST_DUMP_LOG_FUNCTION_FAILED", DiagnosticEvent::ERROR_EVENT},
    {GET_GLOBAL_CACHE_PARAMS_FAILED, "GET_GLOBAL_CACHE_PARAMS_FAILED",
     DiagnosticEvent::ERROR_EVENT},
    {GET_SMART_INFO_FAILED, "GET_SMART_INFO_FAILED", DiagnosticEvent::ERROR_EVENT},
};

const ResultCodeRow* rowOf(unsigned int code) {
    for (const auto& row : kResultCodes)
        if (row.code == code)
            return &row;
    return nullptr;
}

} // namespace

const char* resultCodeWord(unsigned int code) {
    const ResultCodeRow* row = rowOf(code);
    return row ? row->word : "";
}

DiagnosticEvent::EventType resultCodeEventType(unsigned int code) {
    const ResultCodeRow* row = rowOf(code);
    return row ? row->type : DiagnosticEvent::ERROR_EVENT;
}

const char* testResultWord(DiagnosticResult::TestResult result) {
    switch (result) {
    case DiagnosticResult::PASSED:
        return "PASSED";
    case DiagnosticResult::UNUSUAL_STATUS:
        return "UNUSUAL_STATUS";
    case DiagnosticResult::FAILED:
        break;
    }
    return "FAILED";
}

const char* eventTypeWord(DiagnosticEvent::EventType type) {
    switch (type) {
    case DiagnosticEvent::INFORMATION_EVENT:
        return "INFORMATION_EVENT";
    case DiagnosticEvent::WARNING_EVENT:
        return "WARNING_EVENT";
    case DiagnosticEvent::ERROR_EVENT:
        break;
    }
    return "ERROR_EVENT";
}

DiagnosticResult* makeResult(unsigned int code) {
    return makeResult(code, resultCodeEventType(code));
}

DiagnosticResult* makeResult(unsigned int code, DiagnosticEvent::EventType type) {
    return new DiagnosticResult(code == TEST_COMPLETED_SUCCESSFULLY
                                    ? DiagnosticResult::PASSED
                                    : DiagnosticResult::UNUSUAL_STATUS,
                                code, type, 0);
}

} // namespace VarnDiags::MorvaneRaidDiag
