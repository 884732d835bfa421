// The optional debug trace: lines "%5d %2d %-5.5s %s" appended to a file,
// filtered by a level and a module mask.
#include "Trace.h"

#include "FailureDetail.h"
#include "SafeFile.h"
#include "WideString.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <string>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr const char* kDefaultName = "/tmp/dbg.api";
constexpr std::uint64_t kCommon = FSA_DBG_DEBUG | FSA_DBG_THROW;
constexpr std::uint64_t kAdapterGroup =
    kCommon | FSA_DBG_AIF | FSA_DBG_DRIVER | FSA_DBG_FIB | FSA_DBG_IOCTL | FSA_DBG_SNMP;
constexpr std::uint64_t kInfraGroup =
    kCommon | FSA_DBG_LOCK | FSA_DBG_MUTEX | FSA_DBG_SEMA | FSA_DBG_SIGNAL | FSA_DBG_THREAD;
constexpr std::uint64_t kOtherGroup =
    kCommon | FSA_DBG_LATER | FSA_DBG_MISC | FSA_DBG_MISSED | FSA_DBG_TERM | FSA_DBG_TEXT;

std::atomic<std::uint64_t> g_mask{0};
std::mutex g_nameMutex;
std::string g_name; // empty: no name set

std::string fileName() {
    std::lock_guard<std::mutex> lock(g_nameMutex);
    if (g_name.empty())
        g_name = kDefaultName;
    return g_name;
}

int openTrace(int extraFlags) {
    bool created = false;
    fsa::SafeOpenStep step;
    return fsa::safeOpenOrCreate(fsa::systemPort(), fileName().c_str(), extraFlags, 0666, created,
                                 step);
}

FSA_STATUS reportFileFailure(const char* function) {
    const int err = errno;
    FsaUxDbgFilePrintf(FSA_DBG_TERM, 4, "-- %s, errno=%d:%s\n", function, err, std::strerror(err));
    faux_FmtString(FailureSlot::DebugFile, err);
    return FSA_STS_UX_DEBUG_FILE;
}

std::uint64_t join(std::uint32_t low, std::uint32_t high) {
    return std::uint64_t(high) << 32 | low;
}

} // namespace

const char* faux_DbgModuleName(std::uint64_t module) {
    static const struct {
        std::uint64_t bit;
        const char* name;
    } names[] = {{FSA_DBG_DEBUG, "DEBUG"},   {FSA_DBG_THROW, "THROW"},   {FSA_DBG_AIF, "AIF"},
                 {FSA_DBG_DRIVER, "DRIVER"}, {FSA_DBG_FIB, "FIB"},       {FSA_DBG_IOCTL, "IOCTL"},
                 {FSA_DBG_SNMP, "SNMP"},     {FSA_DBG_LOCK, "LOCK"},     {FSA_DBG_MUTEX, "MUTEX"},
                 {FSA_DBG_SEMA, "SEMA"},     {FSA_DBG_SIGNAL, "SIGNAL"}, {FSA_DBG_THREAD, "THREAD"},
                 {FSA_DBG_LATER, "LATER"},   {FSA_DBG_MISC, "MISC"},     {FSA_DBG_MISSED, "MISSED"},
                 {FSA_DBG_TERM, "TERM"},     {FSA_DBG_TEXT, "TEXT"}};
    for (const auto& n : names)
        if (n.bit == module)
            return n.name;
    return "????";
}

void UtilPrintDebugFormatted(const char*, ...) {}

std::atomic<int> faux_dbgLevel{0};

bool faux_DbgModuleOn(std::uint64_t module) {
    return (g_mask.load() & module) != 0;
}

extern "C" {

void FsaUxDbgFileSetLevel(int level) {
    faux_dbgLevel.store(level);
}
void FsaUxDbgFileSetModule(std::uint32_t low, std::uint32_t high) {
    g_mask.fetch_or(join(low, high));
}
void FsaUxDbgFileClrModule(std::uint32_t low, std::uint32_t high) {
    g_mask.fetch_and(~join(low, high));
}
int FsaUxDbgFileTstModule(std::uint32_t low, std::uint32_t high) {
    return (g_mask.load() & join(low, high)) != 0;
}
void FsaUxDbgFileSetAdapter() {
    g_mask.fetch_or(kAdapterGroup);
}
void FsaUxDbgFileSetInfra() {
    g_mask.fetch_or(kInfraGroup);
}
void FsaUxDbgFileSetOther() {
    g_mask.fetch_or(kOtherGroup);
}
void FsaUxDbgFileSetAll() {
    g_mask.fetch_or(kAdapterGroup | kInfraGroup | kOtherGroup);
}

void FsaUxDbgFileSetName(const char* name) {
    std::string copy(name ? name : "", 0, 255);
    FA_strlwr(copy.data());
    std::lock_guard<std::mutex> lock(g_nameMutex);
    g_name = copy.empty() ? kDefaultName : copy;
}

const char* FsaUxDbgFileGetName() {
    static thread_local std::string name;
    name = fileName();
    return name.c_str();
}

int FsaUxParseCmdLineArg(char* argument) {
    if (!argument)
        return 0;
    FA_strupr(argument);
    if (argument[0] != '-' || argument[1] == '\0' || argument[2] == '\0')
        return 0;
    const char* value = argument + 2;
    switch (argument[1]) {
    case 'L': {
        char* end = nullptr;
        const long level = std::strtol(value, &end, 10);
        if (*end != '\0' || level < 0 || level > 5)
            return 0;
        FsaUxDbgFileSetLevel(static_cast<int>(level));
        return 1;
    }
    case 'F':
        FsaUxDbgFileSetName(value);
        return 1;
    case 'M':
        if (std::strcmp(value, "ALL") == 0)
            FsaUxDbgFileSetAll();
        else if (std::strcmp(value, "ADAPTER") == 0)
            FsaUxDbgFileSetAdapter();
        else if (std::strcmp(value, "INFRA") == 0)
            FsaUxDbgFileSetInfra();
        else if (std::strcmp(value, "OTHER") == 0)
            FsaUxDbgFileSetOther();
        else
            return 0;
        return 1;
    default:
        return 0;
    }
}

void FsaUxDbgFilePrintf(std::uint64_t module, int level, const char* format, ...) {
    if (!faux_DbgEnabled(module, level))
        return;
    try {
        char text[1024];
        va_list ap;
        va_start(ap, format);
        if (module == FSA_DBG_MISSED || module == FSA_DBG_LATER) {
            const char* file = va_arg(ap, const char*);
            const char* function = va_arg(ap, const char*);
            const char* base = file ? std::strrchr(file, '/') : nullptr;
            std::snprintf(text, sizeof text,
                          module == FSA_DBG_MISSED ? "-- %s: %s() is missing\n"
                                                   : "-- %s: %s() is put off\n",
                          base ? base + 1 : (file ? file : ""), function ? function : "");
        } else {
            std::vsnprintf(text, sizeof text, format, ap);
        }
        va_end(ap);
        char line[1100];
        const int n = std::snprintf(
            line, sizeof line, "%5d %2d %-5.5s %s", static_cast<int>(::getpid()),
            static_cast<int>(::syscall(SYS_gettid)), faux_DbgModuleName(module), text);
        const int fd = openTrace(O_APPEND);
        if (fd < 0)
            return;
        if (::write(fd, line, static_cast<std::size_t>(std::min<int>(n, sizeof line - 1))) < 0) {
            // A trace line that cannot be written is lost.
        }
        ::close(fd);
    } catch (...) {
    }
}

FSA_STATUS FsaUxDbgFileInUse() {
    if (faux_dbgLevel.load() < 1)
        return FSA_STS_FAILURE;
    const int fd = openTrace(O_APPEND);
    if (fd < 0)
        return reportFileFailure("FsaUxDbgFileInUse");
    ::close(fd);
    return FSA_STS_SUCCESS;
}

FSA_STATUS FsaUxDbgFileOpenEmptyClose() {
    FSA_STATUS status = FsaUxDbgFileInUse();
    if (status == FSA_STS_SUCCESS) {
        const int fd = openTrace(O_TRUNC);
        if (fd < 0)
            status = reportFileFailure("FsaUxDbgFileOpenEmptyClose");
        else
            ::close(fd);
    }
    FsaUxDbgFilePrintf(FSA_DBG_TERM, 2, "<- FsaUxDbgFileOpenEmptyClose\n");
    return status;
}

} // extern "C"
