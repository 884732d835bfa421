#pragma once

// Translation of the controller's job records into task records.

#include "Context.h"
#include "TaskCallbackManager.h"

bool CB_IsDeviceTaskType(std::uint32_t type);
bool CB_IsContainerTaskType(std::uint32_t type);
// Uses the first four words (the job description) of the report.
void CB_JobDescToTaskDesc(FSAAPI_CONTEXT* ctx, const AifJobProgressReport* job,
                          FSA_TASK_DESCRIPTOR* out);
void CB_JobPRToTaskInfo(FSAAPI_CONTEXT* ctx, const AifJobProgressReport* report,
                        FSA_TASK_INFO* out);
bool CB_ReportEnded(const AifJobProgressReport* report);

// Request 103: the task's reply state (1 known, 4 unknown, 5 ended) and its
// progress report when the reply carries one (`hasReport`). Throws a failed
// exchange, and 6 for a report of another task.
std::uint32_t AIF_GetTaskDetails(FSAAPI_CONTEXT* ctx, std::uint32_t taskId,
                                 AifJobProgressReport* report, bool* hasReport);
