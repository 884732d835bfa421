#include "WideString.h"

std::size_t FA_mbstowcs(FA_WCHAR* dst, const char* src, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        dst[i] = static_cast<FA_WCHAR>(static_cast<std::int32_t>(static_cast<signed char>(src[i])));
        if (src[i] == '\0')
            return i;
    }
    return n;
}

std::size_t FA_wcstombs(char* dst, const FA_WCHAR* src, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        dst[i] = static_cast<char>(src[i] & 0xFF);
        if (src[i] == 0)
            return i;
    }
    return n;
}

std::size_t FA_wcslen(const FA_WCHAR* s) {
    std::size_t n = 0;
    while (s[n])
        ++n;
    return n;
}

FA_WCHAR* FA_wcscpy(FA_WCHAR* dst, const FA_WCHAR* src) {
    std::size_t i = 0;
    while ((dst[i] = src[i]) != 0)
        ++i;
    return dst;
}

FA_WCHAR* FA_wcsncpy(FA_WCHAR* dst, const FA_WCHAR* src, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if ((dst[i] = src[i]) == 0)
            break;
    return dst;
}

FA_WCHAR* FA_wcscat(FA_WCHAR* dst, const FA_WCHAR* src) {
    FA_wcscpy(dst + FA_wcslen(dst), src);
    return dst;
}

FA_WCHAR* FA_wcsncat(FA_WCHAR* dst, const FA_WCHAR* src, std::size_t n) {
    std::size_t at = FA_wcslen(dst);
    for (std::size_t i = 0; at < n; ++i, ++at)
        if ((dst[at] = src[i]) == 0)
            break;
    return dst;
}

namespace {
int compareUnits(FA_WCHAR a, FA_WCHAR b) {
    const auto sa = static_cast<std::int32_t>(a);
    const auto sb = static_cast<std::int32_t>(b);
    return sa < sb ? -1 : (sa > sb ? 1 : 0);
}
} // namespace

int FA_wcscmp(const FA_WCHAR* a, const FA_WCHAR* b) {
    for (std::size_t i = 0;; ++i)
        if (const int c = compareUnits(a[i], b[i]); c != 0 || a[i] == 0)
            return c;
}

int FA_wcsncmp(const FA_WCHAR* a, const FA_WCHAR* b, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i)
        if (const int c = compareUnits(a[i], b[i]); c != 0 || a[i] == 0)
            return c;
    return 0;
}

long FA_wcstol(const FA_WCHAR* s, FA_WCHAR**, int) {
    long value = 0;
    for (std::size_t i = 0; s[i]; ++i) {
        const char c = static_cast<char>(s[i] & 0xFF);
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
    }
    return value;
}

FA_WCHAR* FA_wcsupr(FA_WCHAR* s) {
    for (FA_WCHAR* p = s; *p; ++p)
        if (*p >= U'a' && *p <= U'z')
            *p -= U'a' - U'A';
    return s;
}

char* FA_strupr(char* s) {
    for (char* p = s; *p; ++p)
        if (*p >= 'a' && *p <= 'z')
            *p = static_cast<char>(*p - ('a' - 'A'));
    return s;
}

FA_WCHAR* FA_wcslwr(FA_WCHAR* s) {
    for (FA_WCHAR* p = s; *p; ++p)
        if (*p >= U'A' && *p <= U'Z')
            *p += U'a' - U'A';
    return s;
}

char* FA_strlwr(char* s) {
    for (char* p = s; *p; ++p)
        if (*p >= 'A' && *p <= 'Z')
            *p = static_cast<char>(*p + ('a' - 'A'));
    return s;
}

void FA_wcsbcpy(FA_WCHAR* dst, const FA_WCHAR* src, std::size_t size) {
    std::size_t i = 0;
    for (; src && i + 1 < size && src[i]; ++i)
        dst[i] = src[i];
    dst[i] = 0;
}

void FA_widen(FA_WCHAR* dst, const char* src, std::size_t size) {
    std::size_t i = 0;
    for (; src && i + 1 < size && src[i]; ++i)
        dst[i] = static_cast<unsigned char>(src[i]);
    dst[i] = 0;
}

std::u32string FA_Widen(const char* text) {
    std::u32string out;
    for (; text && *text; ++text)
        out.push_back(static_cast<unsigned char>(*text));
    return out;
}
