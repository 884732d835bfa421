#pragma once

// The library's own wide-string and case functions (32-bit units).

#include "FsaWideChar.h"

#include <cstddef>
#include <cstdint>
#include <string>

std::size_t FA_mbstowcs(FA_WCHAR* dst, const char* src, std::size_t n);
std::size_t FA_wcstombs(char* dst, const FA_WCHAR* src, std::size_t n);
std::size_t FA_wcslen(const FA_WCHAR* s);
FA_WCHAR* FA_wcscpy(FA_WCHAR* dst, const FA_WCHAR* src);
FA_WCHAR* FA_wcsncpy(FA_WCHAR* dst, const FA_WCHAR* src, std::size_t n);
FA_WCHAR* FA_wcscat(FA_WCHAR* dst, const FA_WCHAR* src);
FA_WCHAR* FA_wcsncat(FA_WCHAR* dst, const FA_WCHAR* src, std::size_t n);
int FA_wcscmp(const FA_WCHAR* a, const FA_WCHAR* b);
int FA_wcsncmp(const FA_WCHAR* a, const FA_WCHAR* b, std::size_t n);
long FA_wcstol(const FA_WCHAR* s, FA_WCHAR** end, int base);
FA_WCHAR* FA_wcsupr(FA_WCHAR* s);
char* FA_strupr(char* s);
FA_WCHAR* FA_wcslwr(FA_WCHAR* s);
char* FA_strlwr(char* s);

// Copies at most size-1 units of src and terminates (size > 0).
void FA_wcsbcpy(FA_WCHAR* dst, const FA_WCHAR* src, std::size_t size);
// Narrow to wide with at most size-1 characters, always terminated.
void FA_widen(FA_WCHAR* dst, const char* src, std::size_t size);
// A narrow text as a wide string (bytes taken as units); empty for null.
std::u32string FA_Widen(const char* text);
