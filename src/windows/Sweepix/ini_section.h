// Reading one section of the clean-up program's ini file.
#pragma once

#include "placeholders.h"

#include <istream>
#include <string>
#include <vector>

// Longest line taken as an entry; longer lines are never acted on.
constexpr std::size_t kIniLineMax = 1023;

struct IniSection {
    std::vector<std::string> entries;    // accepted lines, placeholders replaced
    std::vector<std::string> unresolved; // lines dropped for a tag without value
    std::vector<std::string> overlong;   // lines dropped for their length
};

// The entries of the first section whose header (brackets included) stands
// anywhere in a line, up to the next line that begins with "[". Lines whose
// first non-blank characters are "//" and blank lines are skipped; entries are
// trimmed of white space.
IniSection readIniSection(std::istream& in, const std::string& header,
                          const PlaceholderValues& values);
