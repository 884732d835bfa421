#include "ini_section.h"

namespace {

const char* const kWhiteSpace = " \t\r\n\v\f";

std::string trimmed(const std::string& text) {
    std::size_t first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string::npos)
        return {};
    std::size_t last = text.find_last_not_of(kWhiteSpace);
    return text.substr(first, last - first + 1);
}

} // namespace

IniSection readIniSection(std::istream& in, const std::string& header,
                          const PlaceholderValues& values) {
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
        // A cut line could name a parent of what was meant: it is dropped whole.
        if (line.size() > kIniLineMax) {
            section.overlong.push_back(entry.substr(0, 64));
            continue;
        }
        if (resolvePlaceholders(entry, values))
            section.entries.push_back(entry);
        else
            section.unresolved.push_back(entry);
    }
    return section;
}
