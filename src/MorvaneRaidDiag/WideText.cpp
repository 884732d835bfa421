#include "WideText.h"

#include "PCIDevices/VarnComUtils.h"

#include <string>

namespace VarnDiags::MorvaneRaidDiag {

char* narrowText(char* out, const FA_WCHAR* text, std::size_t units, unsigned int size) {
    std::wstring wide;
    for (std::size_t i = 0; i < units && text[i] != 0; ++i)
        wide.push_back(static_cast<wchar_t>(text[i]));
    return UNICODE_TO_MBCShelper(out, wide.c_str(), size);
}

} // namespace VarnDiags::MorvaneRaidDiag
