// For the tests of programs that replace a file whole: what their writers
// left beside it, what a dead writer leaves, and writes that fail for real (a
// child process whose files cannot grow past a size).
#pragma once

#include "call_in_child.h"
#include "tempfiles/owned_temporary.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <optional>
#include <set>
#include <string>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kortest {

inline std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The names in `target`'s directory that start with its own name and a dot,
// whatever follows: where the writers of `target` put their temporaries.
inline std::set<std::string> temporariesOf(const std::string& target) {
    namespace fs = std::filesystem;
    const fs::path path = fs::absolute(target);
    const std::string start = path.filename().string() + ".";
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(path.parent_path())) {
        const std::string name = entry.path().filename().string();
        if (name.rfind(start, 0) == 0)
            found.insert(name);
    }
    return found;
}

// `call`'s result in a child process whose writes fail (EFBIG) past `bytes`
// of any file; nothing when it has not returned within a minute.
inline std::optional<int> callWithFileSizeLimit(rlim_t bytes, const std::function<int()>& call) {
    CallInChild child([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, bytes};
        return ::setrlimit(RLIMIT_FSIZE, &limit) == 0 ? call() : -1000;
    });
    return child.result(std::chrono::minutes(1));
}

// Leaves beside a file what a writer that died in the middle of replacing it
// leaves: a temporary of `prefix` (the file's own name unless its writers
// use another) with part of the content, no longer held.
inline void leaveDeadWritersTemporary(const std::string& prefix) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto* dying = new kor::tempfiles::OwnedTemporary(prefix); // never removed
        const int fd = dying->openForWriting();
        ::_exit(fd >= 0 && ::write(fd, "part", 4) == 4 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "no temporary was left";
}

} // namespace kortest
