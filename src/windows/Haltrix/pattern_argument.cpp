#include "pattern_argument.h"

#include <cstring>

namespace haltrix {
namespace {

bool isSpace(char c) {
    return c != '\0' && std::strchr(" \t\n\v\f\r", c) != nullptr;
}

} // namespace

std::string patternFromCommandLine(const char* commandLine) {
    const char* p = commandLine;
    // The program name ends at the first white space; quotes are not looked at.
    while (*p != '\0' && !isSpace(*p))
        ++p;
    if (*p == '\0')
        return {};
    while (isSpace(*p))
        ++p;
    std::string pattern(p);
    if (pattern.size() >= kPatternBytes)
        return {};
    for (char& c : pattern) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    return pattern;
}

} // namespace haltrix
