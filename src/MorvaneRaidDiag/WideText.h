#pragma once
// The controller library's wide texts (32-bit units, up to `units` of them,
// ending at the first zero) as multibyte text in `out`, at most `size`
// bytes including the terminating zero, which is always written.

#include "FsaWideChar.h"

#include <cstddef>

namespace VarnDiags::MorvaneRaidDiag {

char* narrowText(char* out, const FA_WCHAR* text, std::size_t units, unsigned int size);

} // namespace VarnDiags::MorvaneRaidDiag
