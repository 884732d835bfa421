#include "text.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace dapi2 {

std::string quote(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7f) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02x", c);
                out += hex;
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out + "\"";
}

std::string quote(const char* text) {
    return text ? quote(std::string(text)) : "NULL";
}

std::string copyText(const char* text) {
    return text ? text : "";
}

bool parseInt(const std::string& text, long min, long max, long& value) {
    // Digits with an optional minus sign only: no blanks, no plus sign.
    if (text.empty() || (text[0] != '-' && (text[0] < '0' || text[0] > '9'))) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < min || parsed > max) {
        return false;
    }
    value = parsed;
    return true;
}

} // namespace dapi2
