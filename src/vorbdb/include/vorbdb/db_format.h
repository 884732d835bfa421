// The install-database line format, shared by every reader and writer of the
// file: one entry per line, "<project>.<parameter>=<value>", no header, no
// quoting. Pure text functions, no file access, so that other programs reading
// the same file can reuse them.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vorbdb::format {

// Line end written by this platform's tools (text-mode files on Windows).
#ifdef _WIN32
inline constexpr std::string_view kLineEnd = "\r\n";
#else
inline constexpr std::string_view kLineEnd = "\n";
#endif

// Calls fn(line) for every line of `content`, without its line end ("\n" or
// "\r\n"). A last line without a newline is a line too; lines have no length
// limit.
template <class Fn> void forEachLine(std::string_view content, Fn&& fn) {
    while (!content.empty()) {
        std::size_t end = content.find('\n');
        std::string_view line = content.substr(0, end);
        content = end == std::string_view::npos ? std::string_view{} : content.substr(end + 1);
        if (!line.empty() && line.back() == '\r' && end != std::string_view::npos)
            line.remove_suffix(1);
        fn(line);
    }
}

std::string makeKey(std::string_view project, std::string_view parameter);

// The key is the text before the first "="; a line without "=" is all key.
std::string_view keyOf(std::string_view line);
// The text after the first "="; empty when the line has none.
std::string_view valueOf(std::string_view line);

// True when the line's key is exactly `key`.
bool hasKey(std::string_view line, std::string_view key);
// True when the line's key begins with "<project>.".
bool belongsToProject(std::string_view line, std::string_view project);

// Value of the first line whose key is exactly `key`; false when none.
bool findValue(std::string_view content, std::string_view key, std::string_view& value);

// Appends "<key>=<value>" and the line end to `out`, on a line of its own:
// when `out` ends in a line without a line end, that line is ended first.
void appendEntry(std::string& out, std::string_view key, std::string_view value);
// Appends a line with this platform's line end, on a line of its own as above.
void appendLine(std::string& out, std::string_view line);

// The component record: a project's values in this fixed order, one line for
// each value that is not empty.
inline constexpr std::size_t kComponentFields = 7;
inline constexpr std::string_view kComponentParameters[kComponentFields] = {
    "uninstallDisplayName", "uninstalltype",      "uninstallstring",  "installedversion",
    "qvadisplaystring",     "installationresult", "installerrormsgid"};
void appendComponentRecord(std::string& out, std::string_view project,
                           const std::string_view (&values)[kComponentFields]);

// Comma-joined name lists (the required-projects value).
bool listContains(std::string_view list, std::string_view name);
std::string listWith(std::string_view list, std::string_view name);

// Texts that can be stored in one line: no CR, LF or NUL.
bool isStorableText(std::string_view text);
// Parameter names: storable, not empty and without "=" (it would move the key's end).
bool isStorableParameter(std::string_view parameter);

} // namespace vorbdb::format
