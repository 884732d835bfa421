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

// The status table: the rows mapping statuses to messages, and the statuses
// marked as having no text of their own (they read the generic message, like
// every status no run covers).
struct StatusRuns {
    std::vector<StatusRow> rows;
    std::vector<std::uint32_t> withoutText; // ascending
};

struct StatusName {
    std::uint32_t status;
    std::string name; // FSA_STS_...
    std::size_t line; // in the name table, for reports
};

// All four throw std::runtime_error("file:line: reason") on the first fault.
std::vector<Message> parseMessages(const std::string& path);
StatusRuns parseStatusRuns(const std::string& path, const std::vector<Message>& messages);
std::vector<StatusName> parseStatusNames(const std::string& path);
// Every named status has a text or is marked as having none, and every status
// marked so has a name: a half-made status entry is refused.
void checkNamesAgainstRuns(const std::string& namesPath, const std::vector<StatusName>& names,
                           const StatusRuns& runs);

} // namespace msggen
