#include "ini_section.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const kWhiteSpace = " \t\r\n\v\f";
// Besides the characters below 0x20, what Windows does not take in a path.
const char* const kNotInPaths = "<>\"|*?";
// The prefix that hands a path to the system unparsed; its "?" is no wildcard.
const char* const kVerbatimPrefix = "\\\\?\\";
// How much of a dropped over-long line is shown.
constexpr std::size_t kShownStart = 64;

std::string trimmed(const std::string& text) {
    std::size_t first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string::npos)
        return {};
    std::size_t last = text.find_last_not_of(kWhiteSpace);
    return text.substr(first, last - first + 1);
}

bool isBelowSpace(char c) {
    return static_cast<unsigned char>(c) < 0x20;
}

// Shown escaped in logs and traces; 0x7F is no character to show, though
// Windows takes it in a name.
bool isControl(char c) {
    return isBelowSpace(c) || c == 0x7F;
}

bool acceptable(const std::string& entry, EntryKind kind) {
    if (entry.find('\0') != std::string::npos)
        return false;
    if (kind == EntryKind::Text)
        return true;
    std::size_t from = entry.compare(0, 4, kVerbatimPrefix) == 0 ? 4 : 0;
    for (std::size_t i = from; i < entry.size(); ++i)
        if (isBelowSpace(entry[i]) || std::strchr(kNotInPaths, entry[i]) != nullptr)
            return false;
    return true;
}

} // namespace

std::string printableText(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (isControl(c)) {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned char>(c));
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}

IniSection readIniSection(std::istream& in, const std::string& header,
                          const PlaceholderValues& values, EntryKind kind) {
    IniSection section;
    bool inSection = false;
    std::string line;
    while (std::getline(in, line)) {
        // Text-mode reading drops the carriage return on Windows; do the same everywhere.
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string entry = trimmed(line);
        if (entry.compare(0, 2, "//") == 0)
            continue;
        if (!header.empty() && line.find(header) != std::string::npos) {
            inSection = true;
            continue;
        }
        if (!inSection)
            continue;
        if (!line.empty() && line[0] == '[')
            break;
        if (entry.empty())
            continue;
        // A cut line could name a parent of what was meant: it is dropped
        // whole, and the reading of the section ends with it.
        if (line.size() > kIniLineMax) {
            section.cutLine = entry.substr(0, kShownStart);
            break;
        }
        if (!resolvePlaceholders(entry, values))
            section.unresolved.push_back(entry);
        else if (!acceptable(entry, kind))
            section.refused.push_back(entry);
        else
            section.entries.push_back(entry);
    }
    return section;
}
