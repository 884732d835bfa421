// Starts a helper program and waits for the first line it prints, which the
// helpers use to say they are ready. The caller ends it by its pid.
#pragma once

#include <csignal>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace telmtest {

struct Started {
    pid_t pid = -1;
    std::string firstLine; // empty when the program printed nothing
};

inline Started startWithReadyLine(std::vector<std::string> argv) {
    Started started;
    int out[2];
    if (pipe(out) != 0)
        return started;
    started.pid = fork();
    if (started.pid == 0) {
        dup2(out[1], 1);
        std::vector<char*> args;
        for (auto& a : argv)
            args.push_back(a.data());
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    char c;
    while (read(out[0], &c, 1) == 1) {
        started.firstLine += c;
        if (c == '\n')
            break;
    }
    close(out[0]);
    return started;
}

// SIGTERM, then the exit status; -1 when nothing was running.
inline int stopChild(pid_t& pid) {
    int status = -1;
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, &status, 0);
        pid = -1;
    }
    return status;
}

} // namespace telmtest
