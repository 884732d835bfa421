#include "trace.h"

#include <cstdarg>
#include <cstdio>

#include "db_paths.h"
#include "os_port.h"
#include "vorbdb/vorbdb.h"

namespace vorbdb {

void trace(int level, const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    OutPutDBGStmt(line, level);
}

} // namespace vorbdb

extern "C" void OutPutDBGStmt(const char* text, int level) {
    const vorbdb::DbPaths& paths = vorbdb::activePaths();
    if (!paths.initialized || text == nullptr)
        return;
    if (level != vorbdb::kTraceAlways && !vorbdb::os::canOpenForReading(paths.traceFlag))
        return;
    vorbdb::os::appendToFile(paths.traceLog, text);
}
