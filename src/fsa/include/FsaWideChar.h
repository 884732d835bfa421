#pragma once

// The controller library's wide characters: 32-bit units, a string ends in a
// zero unit. char32_t rather than wchar_t so the width never depends on the
// compiler, and U"..." literals work.
typedef char32_t FA_WCHAR;

static_assert(sizeof(FA_WCHAR) == 4, "wide characters are 32-bit units");
