#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace msggen {

struct Message {
    std::uint32_t id;
    std::string text; // decoded
};

struct StatusRow {
    std::uint32_t status;
    std::uint32_t messageId;
};

struct StatusName {
    std::uint32_t status;
    std::string name; // FSA_STS_...
};

// All three throw std::runtime_error("file:line: reason") on the first fault.
std::vector<Message> parseMessages(const std::string& path);
std::vector<StatusRow> parseStatusRuns(const std::string& path,
                                       const std::vector<Message>& messages);
std::vector<StatusName> parseStatusNames(const std::string& path);

} // namespace msggen
