#pragma once

// The threads of this process that have not begun to exit, for leak checks.
//
// A joined thread can still be listed under /proc/self/task for a moment:
// pthread_join returns once the kernel has released the thread's memory map,
// and the kernel drops the task from the list only at the end of its exit,
// later and on its own time. Such a task already carries the exiting flag in
// its stat line, so it is not counted; a thread that is still running is.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <string>
#include <thread>

namespace fsatest {

// The kernel's task flag for a task in its exit path (field 9 of stat).
constexpr unsigned long kTaskExiting = 0x4;

// Whether task `tid` of this process has begun to exit; a task that is
// already gone has.
inline bool taskExiting(const char* tid) {
    const std::string path = std::string("/proc/self/task/") + tid + "/stat";
    std::FILE* f = std::fopen(path.c_str(), "r");
    if (!f)
        return true;
    char line[1024] = {};
    const std::size_t n = std::fread(line, 1, sizeof line - 1, f);
    std::fclose(f);
    line[n] = 0;
    // The name in field 2 may hold spaces and parentheses: count from its end.
    const char* at = std::strrchr(line, ')');
    if (!at)
        return false;
    ++at;
    for (int field = 3; field < 9 && at; ++field)
        at = std::strchr(at + 1, ' ');
    if (!at)
        return false;
    return std::strtoul(at + 1, nullptr, 10) & kTaskExiting;
}

// The tasks listed for this process; with `exitingToo` false, only those
// that have not begun to exit.
inline std::size_t taskCount(bool exitingToo) {
    std::size_t n = 0;
    if (DIR* d = ::opendir("/proc/self/task")) {
        while (const dirent* e = ::readdir(d))
            n += e->d_name[0] != '.' && (exitingToo || !taskExiting(e->d_name));
        ::closedir(d);
    }
    return n;
}

inline std::size_t liveThreadCount() {
    return taskCount(false);
}

// The threads that have not begun to exit, each as "tid (name) state", for
// a report of what a leak check found.
inline std::string liveThreadList() {
    std::string list;
    if (DIR* d = ::opendir("/proc/self/task")) {
        while (const dirent* e = ::readdir(d)) {
            if (e->d_name[0] == '.' || taskExiting(e->d_name))
                continue;
            const std::string path = std::string("/proc/self/task/") + e->d_name + "/stat";
            std::FILE* f = std::fopen(path.c_str(), "r");
            if (!f)
                continue;
            char line[256] = {};
            const std::size_t n = std::fread(line, 1, sizeof line - 1, f);
            std::fclose(f);
            const std::string stat(line, n);
            const auto end = stat.rfind(')');
            list +=
                (list.empty() ? "" : ", ") + stat.substr(0, end == std::string::npos ? 0 : end + 3);
        }
        ::closedir(d);
    }
    return list;
}

// A sanitizer runtime may start a thread of its own along with the first
// thread the process creates: create one once, before a count is taken as
// a baseline, so that every count compares alike.
inline void settleRuntimeThreads() {
    static const bool settled = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)settled;
}

} // namespace fsatest
