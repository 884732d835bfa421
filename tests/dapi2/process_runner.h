// Runs a program as a child process with extra environment variables, its output captured
// in files, so tests can watch it, signal it and read its exit code.
#ifndef DAPI2_PROCESS_RUNNER_H
#define DAPI2_PROCESS_RUNNER_H

#include <filesystem>
#include <string>
#include <sys/types.h>
#include <vector>

struct ProcessResult {
    int exitCode = -1; // 128 + signal when killed by one
    std::string out;
    std::string err;
};

class ChildProcess {
public:
    // Starts program with args (argv[1..]) and env ("NAME=value", added or replaced).
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::string>& env, const std::string& workDir);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits up to timeoutMs for text to appear on standard output.
    bool waitForOutput(const std::string& text, int timeoutMs) const;
    void signal(int sig) const;
    // Waits for the end (killing the child after timeoutMs) and collects its output.
    ProcessResult finish(int timeoutMs = 30000);

private:
    std::string outPath_, errPath_;
    pid_t pid_ = -1;
};

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::string>& env, const std::string& workDir);

std::string readFile(const std::string& path);

// A fresh directory under /tmp, removed with all it holds at the end.
class TempDirectory {
public:
    explicit TempDirectory(const std::string& prefix = "test");
    ~TempDirectory();
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The contents of a file in it ("" when there is none).
    std::string read(const std::string& name) const { return readFile((path_ / name).string()); }

private:
    std::filesystem::path path_;
};

#endif // DAPI2_PROCESS_RUNNER_H
