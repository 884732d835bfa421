// Runs one library call in a child process and waits a bounded time for its
// result, so that a call that never returns (or ends the process) fails the
// test instead of hanging or ending it. A child still running is killed when the object goes.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kortest {

class CallInChild {
public:
    explicit CallInChild(const std::function<int()>& call) {
        int pipe[2];
        if (::pipe2(pipe, O_CLOEXEC) != 0)
            return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(pipe[0]);
            // As from a C caller: an exception that leaves the call ends the
            // child, which then gives no result.
            const int result = [&]() noexcept { return call(); }();
            (void)!::write(pipe[1], &result, sizeof result);
            ::_exit(0);
        }
        ::close(pipe[1]);
        result_ = pipe[0];
    }
    ~CallInChild() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        if (result_ >= 0)
            ::close(result_);
    }
    CallInChild(const CallInChild&) = delete;
    CallInChild& operator=(const CallInChild&) = delete;

    // The call's result, or nothing when it has not returned within `limit`.
    std::optional<int> result(std::chrono::milliseconds limit) {
        if (result_ < 0 || pid_ <= 0)
            return std::nullopt;
        pollfd ready{result_, POLLIN, 0};
        int value = 0;
        if (::poll(&ready, 1, static_cast<int>(limit.count())) != 1 ||
            ::read(result_, &value, sizeof value) != static_cast<ssize_t>(sizeof value))
            return std::nullopt;
        return value;
    }

private:
    pid_t pid_ = -1;
    int result_ = -1;
};

} // namespace kortest
