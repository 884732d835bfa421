#include "System/LogStreams.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

namespace VarnDiags::System {

std::ofstream& discardStream() {
    static std::ofstream stream; // never opened
    return stream;
}

std::mutex& logMutex() {
    static std::mutex mutex;
    return mutex;
}

} // namespace VarnDiags::System

std::ofstream* pLogFile = &VarnDiags::System::discardStream();
std::ofstream* pLogFile0 = pLogFile;
std::ofstream* pLogFile1 = pLogFile;
std::ofstream* pLogFile2 = pLogFile;
std::ofstream* pLogFile3 = pLogFile;
std::ofstream* pLogFile4 = pLogFile;
std::ofstream* pLogFile5 = pLogFile;

namespace VarnDiags::System {
namespace {

std::unique_ptr<std::ofstream> s_appLog;

std::ofstream** levelStreams[] = {&pLogFile0, &pLogFile1, &pLogFile2,
                                  &pLogFile3, &pLogFile4, &pLogFile5};

void pointLevels(int level, std::ofstream* opened) {
    std::lock_guard<std::mutex> guard(logMutex());
    for (int k = 0; k < 6; ++k)
        *levelStreams[k] = k <= level ? opened : &discardStream();
    pLogFile = pLogFile0;
}

} // namespace

std::optional<int> diagLogLevel() {
    const char* value = std::getenv("DIAGLOG");
    if (value == nullptr)
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    long level = std::strtol(value, &end, 10);
    if (end == value || errno != 0 || level < 0 || level > 5)
        return 5;
    return static_cast<int>(level);
}

void openLogStreams(const std::string& moduleName) {
    closeLogStreams();
    std::optional<int> level = diagLogLevel();
    if (!level)
        return;
    auto log = std::make_unique<std::ofstream>();
    openLogFile(*log, moduleName + "App.log", false);
    pointLevels(*level, log.get());
    s_appLog = std::move(log);
}

void closeLogStreams() {
    pointLevels(5, &discardStream());
    s_appLog.reset();
}

bool openLogFile(std::ofstream& stream, const std::string& path, bool append) {
    int flags =
        O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
    int fd = ::open(path.c_str(), flags, 0664);
    if (fd < 0)
        return false;
    struct stat info {};
    bool regular = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    if (regular) {
        // Reopen the very file behind the descriptor: a path swapped in the
        // meantime cannot redirect the stream.
        stream.open("/proc/self/fd/" + std::to_string(fd), std::ios::out | std::ios::app);
    }
    ::close(fd);
    return regular && stream.is_open();
}

} // namespace VarnDiags::System
