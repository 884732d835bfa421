#include "CommandWords.h"

#include <algorithm>

namespace korsched {

namespace {

// Characters that /bin/sh (quoting, expansion, globbing, comments, operators)
// or cron (% ends the command) would give a meaning of their own.
bool isInterpretedChar(char c) {
    static const std::string interpreted = "%\\;&|`$<>()'\"*?[]~{}!#^";
    return interpreted.find(c) != std::string::npos;
}

bool isControlChar(unsigned char c) {
    return c < 0x20 || c == 0x7f;
}

// Length of the UTF-8 sequence starting at text[i], or 0 when it is invalid.
size_t utf8SequenceLength(const std::string& text, size_t i) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    size_t length;
    unsigned min;
    unsigned code;
    if (lead < 0x80)
        return 1;
    if ((lead & 0xe0) == 0xc0) {
        length = 2, min = 0x80, code = lead & 0x1f;
    } else if ((lead & 0xf0) == 0xe0) {
        length = 3, min = 0x800, code = lead & 0x0f;
    } else if ((lead & 0xf8) == 0xf0) {
        length = 4, min = 0x10000, code = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((byte(i + k) & 0xc0) != 0x80)
            return 0;
        code = (code << 6) | (byte(i + k) & 0x3f);
    }
    const bool surrogate = code >= 0xd800 && code <= 0xdfff;
    return code < min || code > 0x10ffff || surrogate ? 0 : length;
}

// One word single-quoted for /bin/sh. Cron reads the command first: it turns
// "\%" into "%" and ends the command at any other "%", and some builds also
// turn "\\" into "\". So every "%" stands outside the quotes as "\%", and
// every backslash is followed directly by a quote, which no cron changes.
std::string quoteWord(const std::string& word) {
    std::string quoted = "'";
    for (char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else if (c == '\\')
            quoted += "\\''";
        else if (c == '%')
            quoted += "'\\%'";
        else
            quoted += c;
    }
    return quoted + "'";
}

} // namespace

bool isAcceptableParameterText(const std::string& text) {
    for (size_t i = 0; i < text.size();) {
        const size_t length = utf8SequenceLength(text, i);
        if (length == 0 || isControlChar(static_cast<unsigned char>(text[i])))
            return false;
        i += length;
    }
    return true;
}

std::string quoteParameterWords(const std::string& text) {
    std::string written;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            written += text[i++];
            continue;
        }
        const size_t end = std::min(text.find(' ', i), text.size());
        const std::string word = text.substr(i, end - i);
        const bool interpreted = std::any_of(word.begin(), word.end(), isInterpretedChar);
        written += interpreted ? quoteWord(word) : word;
        i = end;
    }
    return written;
}

} // namespace korsched
