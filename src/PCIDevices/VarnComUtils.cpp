#include "PCIDevices/VarnComUtils.h"

#include <cstdio>
#include <cstdlib>

namespace VarnDiags::ComUtils {

void VarnComUtils::varn_itoa(int value, char* buffer, int radix) {
    if (radix == 10)
        std::snprintf(buffer, 12, "%d", value);
    else if (radix == 16)
        std::snprintf(buffer, 12, "%x", static_cast<unsigned int>(value));
}

void VarnComUtils::varn_ltoa(unsigned long value, char* buffer, int radix) {
    if (radix == 10)
        std::snprintf(buffer, 21, "%lu", value);
    else if (radix == 16)
        std::snprintf(buffer, 21, "%lx", value);
}

} // namespace VarnDiags::ComUtils

wchar_t* MBCS_TO_UNICODEhelper(wchar_t* out, const char* in, unsigned int count) {
    if (out == nullptr || count == 0)
        return out;
    out[0] = L'\0';
    if (in == nullptr)
        return out;
    std::size_t written = std::mbstowcs(out, in, count - 1);
    out[written == static_cast<std::size_t>(-1) ? 0 : written] = L'\0';
    return out;
}

char* UNICODE_TO_MBCShelper(char* out, const wchar_t* in, unsigned int count) {
    if (out == nullptr || count == 0)
        return out;
    out[0] = '\0';
    if (in == nullptr)
        return out;
    std::size_t written = std::wcstombs(out, in, count - 1);
    out[written == static_cast<std::size_t>(-1) ? 0 : written] = '\0';
    return out;
}
