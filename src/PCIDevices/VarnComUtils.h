#pragma once
// Small number-to-text and text-conversion helpers.

#include <cwchar>

namespace VarnDiags::ComUtils {

class VarnComUtils {
public:
    // Radix 10: signed decimal; 16: lower-case hex of the 32-bit two's
    // complement. Any other radix writes nothing. Needs 12 bytes.
    static void varn_itoa(int value, char* buffer, int radix);
    // Radix 10: unsigned decimal; 16: lower-case hex. Any other radix
    // writes nothing. Needs 21 bytes.
    static void varn_ltoa(unsigned long value, char* buffer, int radix);
};

} // namespace VarnDiags::ComUtils

// Multibyte <-> wide conversion with the current locale, writing at most
// `count` units into `out` including the terminator, so the result is
// always terminated (count 0 writes nothing). A text that does not convert
// gives an empty text. Both return `out`.
wchar_t* MBCS_TO_UNICODEhelper(wchar_t* out, const char* in, unsigned int count);
char* UNICODE_TO_MBCShelper(char* out, const wchar_t* in, unsigned int count);
