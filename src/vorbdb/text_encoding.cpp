#include "text_encoding.h"

namespace vorbdb {
namespace {

// Number of continuation bytes after a lead byte, or -1 for a byte that
// cannot start a sequence.
int continuationCount(unsigned char lead) {
    if (lead < 0x80)
        return 0;
    if (lead >= 0xC0 && lead < 0xE0)
        return 1;
    if (lead >= 0xE0 && lead < 0xF0)
        return 2;
    if (lead >= 0xF0 && lead < 0xF5)
        return 3;
    return -1;
}

void appendCodePoint(std::u16string& out, char32_t cp) {
    if (cp < 0x10000) {
        out.push_back(static_cast<char16_t>(cp));
        return;
    }
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
}

} // namespace

std::optional<std::u16string> decodeUtf8(std::string_view bytes) {
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    std::u16string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        unsigned char lead = static_cast<unsigned char>(bytes[i]);
        int extra = continuationCount(lead);
        if (extra < 0 || bytes.size() - i <= static_cast<std::size_t>(extra))
            return std::nullopt;
        char32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return std::nullopt;
            cp = (cp << 6) | (next & 0x3F);
        }
        bool javaNul = extra == 1 && cp == 0;
        if ((cp < kMinimum[extra] && !javaNul) || cp > 0x10FFFF)
            return std::nullopt;
        appendCodePoint(out, cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string encodeModifiedUtf8(std::u16string_view units) {
    std::string out;
    out.reserve(units.size() * 3);
    for (char16_t u : units) {
        if (u != 0 && u < 0x80) {
            out.push_back(static_cast<char>(u));
        } else if (u < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (u >> 6)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (u >> 12)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
    }
    return out;
}

} // namespace vorbdb
