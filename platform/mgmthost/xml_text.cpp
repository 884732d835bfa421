#include "xml_text.h"

#include <cctype>
#include <cstdint>
#include <cstring>

namespace ocs_standin {
namespace {

const char kReplacement[] = "\xEF\xBF\xBD";

// Length of a well-formed UTF-8 sequence at p (of at most `left` bytes) that
// XML may carry, or 0.
std::size_t acceptableSequence(const unsigned char* p, std::size_t left) {
    unsigned char c = p[0];
    std::size_t len = 0;
    std::uint32_t cp = 0;
    if (c < 0x80)
        return (c >= 0x20 || c == '\t' || c == '\n' || c == '\r') ? 1 : 0;
    if ((c & 0xE0) == 0xC0)
        len = 2, cp = c & 0x1F;
    else if ((c & 0xF0) == 0xE0)
        len = 3, cp = c & 0x0F;
    else if ((c & 0xF8) == 0xF0)
        len = 4, cp = c & 0x07;
    else
        return 0;
    if (len > left)
        return 0;
    for (std::size_t i = 1; i < len; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
        cp = (cp << 6) | (p[i] & 0x3F);
    }
    static const std::uint32_t minimum[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < minimum[len] || cp > 0x10FFFF)
        return 0;
    if ((cp >= 0xD800 && cp <= 0xDFFF) || cp == 0xFFFE || cp == 0xFFFF)
        return 0;
    return len;
}

} // namespace

std::string escapeXml(const char* text) {
    std::string out;
    if (!text)
        return out;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    std::size_t left = std::strlen(text);
    while (left > 0) {
        const std::size_t n = acceptableSequence(p, left);
        if (n == 0) {
            out += kReplacement;
            ++p, --left;
            continue;
        }
        switch (*p) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&apos;";
            break;
        default:
            out.append(reinterpret_cast<const char*>(p), n);
        }
        p += n;
        left -= n;
    }
    return out;
}

bool validElementName(const char* name) {
    if (!name || !*name)
        return false;
    const auto first = static_cast<unsigned char>(name[0]);
    if (!(std::isalpha(first) || first == '_'))
        return false;
    for (const char* c = name + 1; *c; ++c) {
        const auto u = static_cast<unsigned char>(*c);
        if (!(std::isalnum(u) || u == '_' || u == '-' || u == '.'))
            return false;
    }
    return true;
}

} // namespace ocs_standin
