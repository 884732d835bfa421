#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

extern char** environ;

namespace testing_support {

bool ProcessResult::hasLine(const std::string& line) const {
    for (const std::string& candidate : lines)
        if (candidate == line)
            return true;
    return false;
}

std::vector<std::string> ProcessResult::linesStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    for (const std::string& line : lines)
        if (line.compare(0, prefix.size(), prefix) == 0)
            found.push_back(line);
    return found;
}

namespace {

std::vector<std::string>
mergedEnvironment(const std::map<std::string, std::optional<std::string>>& changes) {
    std::map<std::string, std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        if (equals != nullptr)
            merged[std::string(*entry, static_cast<std::size_t>(equals - *entry))] = equals + 1;
    }
    for (const auto& [name, value] : changes) {
        if (value)
            merged[name] = *value;
        else
            merged.erase(name);
    }
    std::vector<std::string> out;
    for (const auto& [name, value] : merged)
        out.push_back(name + "=" + value);
    return out;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
    std::vector<char*> out;
    for (std::string& text : texts)
        out.push_back(text.data());
    out.push_back(nullptr);
    return out;
}

} // namespace

ProcessResult runProcess(const std::vector<std::string>& argv,
                         const std::map<std::string, std::optional<std::string>>& environment,
                         const std::string& workingDirectory,
                         const std::function<void(const std::string&, pid_t)>& onLine,
                         int timeoutSeconds) {
    std::vector<std::string> arguments = argv;
    std::vector<std::string> variables = mergedEnvironment(environment);
    std::vector<char*> argvPointers = pointers(arguments);
    std::vector<char*> envPointers = pointers(variables);

    ProcessResult result;
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        return result;
    pid_t child = fork();
    if (child == 0) {
        dup2(out[1], STDOUT_FILENO);
        if (!workingDirectory.empty() && chdir(workingDirectory.c_str()) != 0)
            _exit(126);
        execve(argvPointers[0], argvPointers.data(), envPointers.data());
        _exit(127);
    }
    close(out[1]);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
    std::string pending;
    char buffer[4096];
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.timedOut = true;
            kill(child, SIGKILL);
            break;
        }
        pollfd wait{out[0], POLLIN, 0};
        if (poll(&wait, 1, static_cast<int>(left.count())) <= 0)
            continue;
        ssize_t got = read(out[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        pending.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end; (end = pending.find('\n')) != std::string::npos;
             pending.erase(0, end + 1)) {
            result.lines.push_back(pending.substr(0, end));
            if (onLine)
                onLine(result.lines.back(), child);
        }
    }
    close(out[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFEXITED(status))
        result.exitCode = WEXITSTATUS(status);
    return result;
}

} // namespace testing_support
