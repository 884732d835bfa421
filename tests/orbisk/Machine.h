// Small machine descriptions for the data manager stand-in, built in code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace orbisk_test {

struct Module {
    std::string first; // first part of the name (offset 72)
    std::string second;
    std::uint32_t sizeKB = 16384;
    std::uint32_t mode = 0;
    bool unreadable = false;
    bool brokenNames = false; // string offsets pointing outside the object
};

struct Machine {
    bool ready = true;
    std::vector<std::vector<Module>> arrays;
    std::optional<int> eccLogging = 1;
    // Memory configuration: capabilities, configuration, fail-over.
    std::optional<std::vector<int>> config;
    // Type-2 objects under the root; the arrays hang under the one at this
    // index (and not under the root) when set.
    int redundantObjects = 0;
    std::optional<int> arraysUnderRedundant;
    std::optional<std::uint32_t> pageFileKB = 4194304;
    int processors = 2;

    std::string json() const;
};

// The example of two arrays with two 131072 KB modules each.
Machine twoByTwo();

} // namespace orbisk_test
