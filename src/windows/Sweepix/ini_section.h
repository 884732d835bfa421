// Reading one section of the clean-up program's ini file.
#pragma once

#include "placeholders.h"

#include <istream>
#include <string>
#include <vector>

// Longest line taken as an entry; a longer line is never acted on, and the
// reading of its section ends there.
constexpr std::size_t kIniLineMax = 1023;

// What a section's entries are: text that is only compared with other text,
// or paths handed to the file system, which must also hold only characters
// Windows takes in a path. No entry of any kind may hold a NUL: Windows would
// read only what stands before it.
enum class EntryKind { Text, Path };

struct IniSection {
    std::vector<std::string> entries;    // accepted lines, placeholders replaced
    std::vector<std::string> unresolved; // lines dropped for a tag without value
    std::vector<std::string> refused;    // lines dropped for a character they hold
    std::string cutLine; // start of the over-long line that ended the reading, or empty
};

// The entries of the first section whose header (brackets included) stands
// anywhere in a line, up to the next line that begins with "[" or the first
// line longer than kIniLineMax. Lines whose first non-blank characters are
// "//" and blank lines are skipped; entries are trimmed of white space.
IniSection readIniSection(std::istream& in, const std::string& header,
                          const PlaceholderValues& values, EntryKind kind);

// `text` with every control character written as \xNN, for logs and traces.
std::string printableText(const std::string& text);
