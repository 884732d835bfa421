#include "Tasks.h"

#include "ScsiCommands.h"
#include "Trace.h"

#include <cstring>

namespace {

enum class Object { None, Device, Container };

struct JobRow {
    std::uint32_t job;
    std::uint32_t type;
    Object object;
};

const JobRow kJobs[] = {
    {2, 0, Object::Device},       {3, 1, Object::Device},       {4, 2, Object::Device},
    {5, 12, Object::Device},      {101, 3, Object::Container},  {102, 4, Object::Container},
    {103, 5, Object::Container},  {105, 7, Object::Container},  {106, 8, Object::Container},
    {107, 9, Object::Container},  {108, 14, Object::Container}, {110, 17, Object::Container},
    {111, 20, Object::Container}, {300, 15, Object::Container}, {301, 16, Object::Container},
    {302, 18, Object::Container}, {303, 21, Object::Container}, {400, 19, Object::None},
};

struct StateRow {
    std::uint32_t jobStatus;
    std::uint32_t state;
};
const StateRow kStates[] = {{102, 0}, {101, 1}, {1, 2}, {2, 2}, {4, 3}, {3, 4}};

} // namespace

bool CB_IsDeviceTaskType(std::uint32_t type) {
    return type == 0 || type == 1 || type == 2 || type == 12;
}

bool CB_IsContainerTaskType(std::uint32_t type) {
    switch (type) {
    case 3:
    case 4:
    case 5:
    case 7:
    case 8:
    case 9:
    case 14:
    case 15:
    case 16:
    case 17:
    case 18:
    case 21:
        return true;
    default:
        return false;
    }
}

bool CB_ReportEnded(const AifJobProgressReport* report) {
    return report->jobStatus <= 99;
}

void CB_JobDescToTaskDesc(FSAAPI_CONTEXT* ctx, const AifJobProgressReport* job,
                          FSA_TASK_DESCRIPTOR* out) {
    std::memset(out, 0, sizeof *out);
    out->taskId = job->taskId;
    out->device.kind = 1;
    out->container.containerNumber = 0xFFFFFFFF;
    out->adapterSerial = FsaAdapterSerial(ctx);
    const JobRow* row = nullptr;
    for (const auto& r : kJobs)
        if (r.job == job->jobCode)
            row = &r;
    if (!row) {
        UtilPrintDebugFormatted("Unrecognized AIF job description code. Code = %u\n", job->jobCode);
        out->taskType = 20;
        return;
    }
    out->taskType = row->type;
    if (row->object == Object::Device)
        SCSI_GetStandardID(ctx, &out->device, static_cast<int>(job->objectId));
    else if (row->object == Object::Container)
        FsaContainerFromInternalId(ctx, job->objectId, &out->container);
}

void CB_JobPRToTaskInfo(FSAAPI_CONTEXT* ctx, const AifJobProgressReport* report,
                        FSA_TASK_INFO* out) {
    std::memset(out, 0, sizeof *out);
    CB_JobDescToTaskDesc(ctx, report, &out->descriptor);
    // A report without a total has made no measurable progress.
    out->progress =
        report->total
            ? static_cast<std::uint32_t>(std::uint64_t(report->current) * 1000 / report->total)
            : 0;
    out->reportWords[0] = report->word7;
    out->reportWords[1] = report->word8;
    out->adapterSerial = FsaAdapterSerial(ctx);
    out->state = 5;
    for (const auto& s : kStates)
        if (s.jobStatus == report->jobStatus)
            out->state = s.state;
    if (out->state == 5)
        UtilPrintDebugFormatted("Unrecognized AIF job status code.  Code = %u\n",
                                report->jobStatus);
    if (out->state == 2)
        out->progress = 1000;
}
