#pragma once

#include "SourceParser.h"

#include <string>
#include <vector>

namespace msggen {

// Writes the table as C++ source to a temporary file next to `path` and renames
// it over `path` once complete. Throws std::runtime_error on failure.
void writeTable(const std::string& path, const std::vector<Message>& messages,
                const std::vector<StatusRow>& rows);
// Writes the FSA_STATUS enumeration as a C++ header the same way.
void writeStatusNames(const std::string& path, const std::vector<StatusName>& names);

} // namespace msggen
