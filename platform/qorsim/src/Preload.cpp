// libqorsim_preload.so: puts the simulated controller under an unmodified
// program. It intercepts open, close, ioctl and fcntl; calls that concern the
// device nodes /dev/qor0../dev/qor15 and the host's /proc/scsi/scsi (and the
// descriptors opened on them) go to the simulator, everything else to the
// next definition (libc). The
// configuration is the JSON file named by QORSIM_CONFIG; when QORSIM_JOURNAL
// names a file, the journal is written there as text when the program ends.
// A configuration that is missing or cannot be read or parsed, or a journal
// file that cannot be made, ends the program with code 78 at its first call
// on a simulated path; a journal that cannot be written at the end, with 74.
#include "qorsim/JournalText.h"
#include "qorsim/Simulator.h"

#include "configfile/config_file.h"

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <fcntl.h>
#include <mutex>
#include <stdexcept>
#include <unistd.h>

namespace {

std::atomic<qorsim::Simulator*> g_sim{nullptr};

constexpr int kIoError = 74; // EX_IOERR

// The journal file, made (empty) or truncated; false with errno set when it
// cannot be.
bool startJournal(const char* path) {
    FILE* out = std::fopen(path, "we");
    return out && std::fclose(out) == 0;
}

// A journal that was asked for and cannot be kept ends the program: a run
// whose requests were never recorded would pass for one that made none.
void writeJournal() {
    const char* path = std::getenv("QORSIM_JOURNAL");
    qorsim::Simulator* sim = g_sim.load();
    if (!path || !sim)
        return;
    const std::string text = qorsim::journalText(sim->journal());
    FILE* out = std::fopen(path, "we");
    bool written = out && std::fwrite(text.data(), 1, text.size(), out) == text.size();
    int error = errno;
    if (out && std::fclose(out) != 0 && written) {
        written = false;
        error = errno;
    }
    if (!written) {
        std::fprintf(stderr, "qorsim: journal %s: %s\n", path, std::strerror(error));
        std::_Exit(kIoError);
    }
}

qorsim::Simulator& simulator() {
    static std::once_flag once;
    std::call_once(once, [] {
        auto* sim = new qorsim::Simulator; // lives as long as the process
        if (const char* path = std::getenv("QORSIM_CONFIG")) {
            try {
                sim->loadFile(path);
            } catch (const std::exception& e) {
                standin_config::endProgram("qorsim", e);
            }
        }
        if (const char* path = std::getenv("QORSIM_JOURNAL")) {
            if (!startJournal(path))
                standin_config::endProgram("qorsim",
                                           std::runtime_error(std::string("journal ") + path +
                                                              ": " + std::strerror(errno)));
        }
        g_sim.store(sim);
        if (std::getenv("QORSIM_JOURNAL"))
            std::atexit(writeJournal);
    });
    return *g_sim.load();
}

bool isNodeFd(int fd) {
    qorsim::Simulator* sim = g_sim.load();
    return sim && sim->isNodeFd(fd);
}

bool ownsFd(int fd) {
    qorsim::Simulator* sim = g_sim.load();
    return sim && sim->ownsFd(fd);
}

bool simulated(const char* path) {
    return qorsim::Simulator::isNodePath(path) || qorsim::Simulator::isScsiMidLayer(path);
}

template <class F> F next(const char* name) {
    return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

unsigned modeArg(int flags, va_list ap) {
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? va_arg(ap, unsigned) : 0;
}

int openAt(const char* name, int dirfd, const char* path, int flags, unsigned mode) {
    if (simulated(path))
        return simulator().open(path, flags, mode);
    using Fn = int (*)(int, const char*, int, ...);
    static Fn real = next<Fn>(name);
    return real(dirfd, path, flags, mode);
}

int openPath(const char* name, const char* path, int flags, unsigned mode) {
    if (simulated(path))
        return simulator().open(path, flags, mode);
    using Fn = int (*)(const char*, int, ...);
    static Fn real = next<Fn>(name);
    return real(path, flags, mode);
}

} // namespace

extern "C" {

__attribute__((visibility("default"))) int open(const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const unsigned mode = modeArg(flags, ap);
    va_end(ap);
    return openPath("open", path, flags, mode);
}

__attribute__((visibility("default"))) int open64(const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const unsigned mode = modeArg(flags, ap);
    va_end(ap);
    return openPath("open64", path, flags, mode);
}

__attribute__((visibility("default"))) int openat(int dirfd, const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const unsigned mode = modeArg(flags, ap);
    va_end(ap);
    return openAt("openat", dirfd, path, flags, mode);
}

__attribute__((visibility("default"))) int openat64(int dirfd, const char* path, int flags, ...) {
    va_list ap;
    va_start(ap, flags);
    const unsigned mode = modeArg(flags, ap);
    va_end(ap);
    return openAt("openat64", dirfd, path, flags, mode);
}

__attribute__((visibility("default"))) int close(int fd) {
    if (ownsFd(fd))
        return g_sim.load()->close(fd);
    using Fn = int (*)(int);
    static Fn real = next<Fn>("close");
    return real(fd);
}

__attribute__((visibility("default"))) int ioctl(int fd, unsigned long request, ...) {
    va_list ap;
    va_start(ap, request);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    if (isNodeFd(fd))
        return g_sim.load()->ioctl(fd, request, arg);
    using Fn = int (*)(int, unsigned long, ...);
    static Fn real = next<Fn>("ioctl");
    return real(fd, request, arg);
}

namespace {
using FcntlFn = int (*)(int, int, ...);

int fcntlVia(FcntlFn real, int fd, int cmd, void* arg) {
    if (isNodeFd(fd))
        return g_sim.load()->fcntl(fd, cmd, arg);
    return real(fd, cmd, arg);
}
} // namespace

__attribute__((visibility("default"))) int fcntl(int fd, int cmd, ...) {
    va_list ap;
    va_start(ap, cmd);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    static FcntlFn real = next<FcntlFn>("fcntl");
    return fcntlVia(real, fd, cmd, arg);
}

__attribute__((visibility("default"))) int fcntl64(int fd, int cmd, ...) {
    va_list ap;
    va_start(ap, cmd);
    void* arg = va_arg(ap, void*);
    va_end(ap);
    static FcntlFn real = next<FcntlFn>("fcntl64");
    return fcntlVia(real, fd, cmd, arg);
}

} // extern "C"
