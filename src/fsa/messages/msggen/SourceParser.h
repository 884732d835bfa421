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

// Both throw std::runtime_error("file:line: reason") on the first fault.
std::vector<Message> parseMessages(const std::string& path);
std::vector<StatusRow> parseStatusRuns(const std::string& path,
                                       const std::vector<Message>& messages);

} // namespace msggen
