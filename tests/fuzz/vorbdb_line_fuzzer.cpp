// Install-database content as any writer may have left it: lines, keys,
// values, required-projects lists and their conversion for the JVM.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "text_encoding.h"
#include "vorbdb/db_format.h"

namespace fmt = vorbdb::format;

namespace {

void require(bool condition) {
    if (!condition)
        std::abort();
}

// Modified UTF-8 as the JVM accepts it: one- to three-byte sequences, no NUL.
bool isModifiedUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        int extra = lead == 0               ? -1
                    : lead < 0x80           ? 0
                    : (lead & 0xE0) == 0xC0 ? 1
                    : (lead & 0xF0) == 0xE0 ? 2
                                            : -1;
        if (extra < 0 || text.size() - i <= static_cast<std::size_t>(extra))
            return false;
        for (int k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    std::string rebuilt;
    fmt::forEachLine(content, [&](std::string_view line) {
        require(line.find('\n') == std::string_view::npos);
        std::string_view key = fmt::keyOf(line);
        std::string_view value = fmt::valueOf(line);
        require(fmt::hasKey(line, key));
        require(key.size() + (value.empty() && key.size() == line.size() ? 0 : 1 + value.size()) ==
                line.size());
        std::string_view found;
        // An empty text holds no line at all.
        require(line.empty() || (fmt::findValue(line, key, found) && found == value));

        std::size_t dot = key.find('.');
        if (dot != std::string_view::npos && dot + 1 < key.size())
            require(fmt::belongsToProject(line, key.substr(0, dot)));

        std::string list = fmt::listWith(value, "zutr");
        require(fmt::listContains(list, "zutr"));

        std::optional<std::u16string> units = vorbdb::decodeUtf8(value);
        if (units) {
            std::string java = vorbdb::encodeModifiedUtf8(*units);
            require(isModifiedUtf8(java));
            require(vorbdb::decodeUtf8(java) == units);
        }
        fmt::appendLine(rebuilt, line);
    });
    // Rewriting keeps every line as it was.
    std::size_t count = 0;
    fmt::forEachLine(rebuilt, [&](std::string_view) { ++count; });
    std::size_t original = 0;
    fmt::forEachLine(content, [&](std::string_view) { ++original; });
    require(count == original);
    return 0;
}
