#include "language_index.h"

#include <cstdlib>

namespace {

// A language and how many of its sublanguages (1 to maxSub) count.
struct LanguageFamily {
    unsigned primary;
    unsigned maxSub;
    int index;
};

constexpr LanguageFamily kFamilies[] = {
    {0x07, 5, 0},  // German
    {0x0A, 20, 1}, // Spanish
    {0x0C, 6, 2},  // French
};

} // namespace

int languageIndexFor(unsigned languageId) {
    if (languageId == 0x0411)
        return 3;
    if (languageId == 0x0804)
        return 4;
    unsigned primary = languageId & 0x3FF;
    unsigned sub = languageId >> 10;
    for (const auto& family : kFamilies) {
        if (primary == family.primary && sub >= 1 && sub <= family.maxSub)
            return family.index;
    }
    return kOtherLanguage;
}

int languageIndexFromText(const std::string& hexText) {
    char* end = nullptr;
    unsigned long id = std::strtoul(hexText.c_str(), &end, 16);
    if (end == hexText.c_str() || id > 0xFFFF)
        return kOtherLanguage;
    return languageIndexFor(static_cast<unsigned>(id));
}
