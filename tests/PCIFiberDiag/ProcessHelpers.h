// Running a program of this area as a process: a clean environment of our
// choosing, a working directory of its own, its output split into lines.
#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "process_runner.h"

namespace korfiber_test {

namespace fs = std::filesystem;

using Environment = std::map<std::string, std::optional<std::string>>;

struct Outcome {
    int exitCode = -1;
    std::vector<std::string> lines;
    std::string err;

    bool hasLine(const std::string& line) const {
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    std::string text() const {
        std::string all;
        for (const std::string& line : lines)
            all += line + "\n";
        return all + err;
    }
};

// These are the program's to read; the test decides each of them.
inline Environment cleanEnvironment(Environment changes) {
    Environment environment = {{"DIAGLOG", std::nullopt},
                               {"DAPI2_OPTIONS", std::nullopt},
                               {"QLSDM_STANDIN_FILE", std::nullopt},
                               {"TEST_DEV", std::nullopt},
                               {"DEBUG_ENUM", std::nullopt},
                               {"DEBUG_DIAG", std::nullopt},
                               {"LD_LIBRARY_PATH", std::nullopt}};
    for (auto& [name, value] : changes)
        environment[name] = value;
    return environment;
}

// Starts `program` through env(1) in `directory` (its output files go to a
// directory of their own).
inline std::unique_ptr<ChildProcess> start(const std::string& program,
                                           const std::vector<std::string>& arguments,
                                           const Environment& changes, const fs::path& directory,
                                           const fs::path& outputs) {
    std::vector<std::string> command = {"-C", directory.string()};
    std::vector<std::string> set;
    for (const auto& [name, value] : cleanEnvironment(changes)) {
        if (value)
            set.push_back(name + "=" + *value);
        else
            command.insert(command.end(), {"-u", name});
    }
    command.push_back(program);
    command.insert(command.end(), arguments.begin(), arguments.end());
    return std::make_unique<ChildProcess>("/usr/bin/env", command, set, outputs.string());
}

inline Outcome finish(ChildProcess& process) {
    ProcessResult result = process.finish(60000);
    Outcome outcome;
    outcome.exitCode = result.exitCode;
    outcome.err = result.err;
    std::istringstream out(result.out);
    for (std::string line; std::getline(out, line);)
        outcome.lines.push_back(line);
    return outcome;
}

inline Outcome run(const std::string& program, const std::vector<std::string>& arguments,
                   const Environment& changes, const fs::path& directory) {
    TempDirectory outputs;
    auto process = start(program, arguments, changes, directory, outputs.path());
    return finish(*process);
}

inline std::size_t occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

} // namespace korfiber_test
