// The card service's state word, asked for with a signal.
#include "clock.h"
#include "exported_call.h"
#include "fd.h"
#include "telm/telm.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>

namespace {

constexpr const char* kPidFile = "/var/run/.racsrvc";
constexpr const char* kStateFile = "/var/run/.racMNstate";
constexpr unsigned kStateWaitMicros = 333333;
constexpr int kUnknown = 1;

// Only a pid file that no one but root could have written is trusted.
bool trustworthy(const struct stat& info) {
    return S_ISREG(info.st_mode) && info.st_uid == 0 && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

pid_t servicePid() {
    telm::Fd file(open(kPidFile, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
    struct stat info;
    if (!file.valid() || fstat(file.get(), &info) != 0 || !trustworthy(info))
        return 0;
    char text[32] = {};
    ssize_t n = read(file.get(), text, sizeof text - 1);
    if (n <= 0)
        return 0;
    int pid = 0;
    if (std::sscanf(text, "%d", &pid) != 1 || pid <= 0 || pid == getpid())
        return 0;
    return pid;
}

// Signalling a zombie would succeed, but nothing would answer it.
bool alive(pid_t pid) {
    std::string path = "/proc/" + std::to_string(pid) + "/stat";
    FILE* stat = std::fopen(path.c_str(), "r");
    if (!stat)
        return false;
    char line[512] = {};
    bool running = std::fgets(line, sizeof line, stat) != nullptr;
    std::fclose(stat);
    const char* close = std::strrchr(line, ')');
    return running && close && close[1] == ' ' && close[2] != 'Z' && close[2] != 'X';
}

} // namespace

extern "C" int tymGetRacMnStatus(void) {
    return telm::exportedCall("tymGetRacMnStatus", kUnknown, [&] {
        pid_t pid = servicePid();
        if (pid <= 0 || !alive(pid) || kill(pid, SIGUSR2) != 0)
            return kUnknown;
        telm::clock().sleepMicros(kStateWaitMicros);
        unsigned state = kUnknown;
        if (FILE* file = std::fopen(kStateFile, "r")) {
            if (std::fscanf(file, "0x%X", &state) != 1)
                state = kUnknown;
            std::fclose(file);
        }
        return static_cast<int>(state);
    });
}
