#include "tool_lines.h"

#include <cstring>

namespace telmda {
namespace {

// Single quotes keep everything literal; a quote inside is closed, escaped
// and reopened.
std::string quoted(const char* value) {
    std::string out = "'";
    for (const char* c = value; *c; ++c)
        out += *c == '\'' ? std::string("'\\''") : std::string(1, *c);
    return out + "'";
}

std::optional<std::string> line(std::initializer_list<const char*> inputs, std::string text) {
    for (const char* input : inputs)
        if (!input || !acceptableToolInput(input))
            return std::nullopt;
    if (text.size() >= kToolLineSize)
        return std::nullopt;
    return text;
}

} // namespace

bool acceptableToolInput(const char* value) {
    return value && std::strpbrk(value, "\r\n") == nullptr;
}

std::optional<std::string> csrPropertyLine(const char* property, const char* value) {
    if (!property || !value)
        return std::nullopt;
    return line({property, value}, std::string("vorlic config -g cfgRacSecurity -o ") + property +
                                       " " + quoted(value));
}

std::optional<std::string> csrGenerateLine(const char* fileName) {
    if (!fileName)
        return std::nullopt;
    return line({fileName}, "vorlic sslcsrgen -g -u -f " + quoted(fileName));
}

std::optional<std::string> certUploadLine(const char* fileName, const char* type) {
    if (!fileName || !type)
        return std::nullopt;
    return line({fileName, type},
                "vorlic sslcertupload -t" + quoted(type) + " -f " + quoted(fileName));
}

std::optional<std::string> localOsAuthLine(const char* value) {
    if (!value)
        return std::nullopt;
    return line({value},
                std::string("vorlic config -g cfgRacSecurity -o cfgRacSecAuthLocalOsEnable ") +
                    quoted(value));
}

} // namespace telmda
