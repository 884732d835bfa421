#pragma once

#include <string>
#include <string_view>

namespace kor {

// An image name as the performance data names its process: everything up to
// the last backslash removed, cut at the last "." (a name without one stays whole).
template <typename Char> std::basic_string<Char> imageBaseName(std::basic_string_view<Char> image) {
    auto slash = image.find_last_of(Char('\\'));
    if (slash != std::basic_string_view<Char>::npos)
        image.remove_prefix(slash + 1);
    auto dot = image.find_last_of(Char('.'));
    if (dot != std::basic_string_view<Char>::npos)
        image = image.substr(0, dot);
    return std::basic_string<Char>(image);
}

// Letters A to Z become a to z; nothing else changes.
void lowerAsciiInPlace(std::string& text);

} // namespace kor
