#pragma once
// Runs a program as a child process with a changed environment, collecting
// its standard output line by line.

#include <sys/types.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

struct ProcessResult {
    int exitCode = -1; // -1 when it did not exit normally
    bool timedOut = false;
    std::vector<std::string> lines;

    bool hasLine(const std::string& line) const;
    // Lines starting with `prefix`.
    std::vector<std::string> linesStartingWith(const std::string& prefix) const;
};

// `environment` adds or replaces variables (nullopt removes one). `onLine`
// sees each output line with the child's pid (to signal it, for example).
// A child still running after `timeoutSeconds` is killed.
ProcessResult runProcess(const std::vector<std::string>& argv,
                         const std::map<std::string, std::optional<std::string>>& environment,
                         const std::string& workingDirectory = "",
                         const std::function<void(const std::string&, pid_t)>& onLine = {},
                         int timeoutSeconds = 60);

} // namespace testing_support
