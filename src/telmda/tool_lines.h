// Command lines of the card's command-line tool. Every value reaches the
// tool as exactly one argument: it is quoted for the shell, and values with a
// line break, or lines that would not fit the tool's 512-byte command line,
// are refused.
#pragma once

#include <optional>
#include <string>

namespace telmda {

constexpr std::size_t kToolLineSize = 512;

// False for a value that holds a CR or LF.
bool acceptableToolInput(const char* value);

// The lines; none when an input is refused or the line would not fit.
std::optional<std::string> csrPropertyLine(const char* property, const char* value);
std::optional<std::string> csrGenerateLine(const char* fileName);
std::optional<std::string> certUploadLine(const char* fileName, const char* type);
std::optional<std::string> localOsAuthLine(const char* value);

} // namespace telmda
