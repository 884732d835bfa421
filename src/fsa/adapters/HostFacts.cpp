// Facts about the host and the build: OS type, OEM flavour and its device
// name prefix, host name, time.
#include "OsLayer.h"
#include "OsTypes.h"
#include "Trace.h"
#include "WideString.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <regex.h>
#include <strings.h>
#include <sys/time.h>
#include <unistd.h>

namespace {
constexpr _OEM_FLAVOR kBuildFlavour = FSA_OEM_VARN;
} // namespace

std::uint32_t faos_GetOSType() {
    return kOsLinux;
}

_OEM_FLAVOR faos_GetOEMWithNoContext() {
    FsaUxDbgFilePrintf(FSA_DBG_MISC, 3, "<> faos_GetOEMWithNoContext: %s\n", "FSA_OEM_VARN");
    return kBuildFlavour;
}

int faos_IsThereOCE(FSAAPI_CONTEXT*) {
    return 0;
}

int faos_GetLastError() {
    return errno;
}

void faos_GetTime(int utc, FAOS_TIME_INFO* out) {
    timeval now;
    ::gettimeofday(&now, nullptr);
    std::tm t;
    const std::time_t seconds = now.tv_sec;
    if (utc)
        ::gmtime_r(&seconds, &t);
    else
        ::localtime_r(&seconds, &t);
    *out = FAOS_TIME_INFO{static_cast<std::uint16_t>(t.tm_year + 1900),
                          static_cast<std::uint16_t>(t.tm_mon + 1),
                          static_cast<std::uint16_t>(t.tm_wday),
                          static_cast<std::uint16_t>(t.tm_mday),
                          static_cast<std::uint16_t>(t.tm_hour),
                          static_cast<std::uint16_t>(t.tm_min),
                          static_cast<std::uint16_t>(t.tm_sec),
                          static_cast<std::uint16_t>(now.tv_usec / 1000)};
}

int faos_GetHostName(FA_WCHAR* name, unsigned int* capacity) {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0)
        host[0] = '\0';
    if (*capacity > 0)
        FA_widen(name, host, *capacity);
    return 1;
}

const char* faux_DeviceNamePrefix() {
    switch (kBuildFlavour) {
    case FSA_OEM_GENERIC:
        return "rzc";
    case FSA_OEM_VARN:
        return "qor";
    case FSA_OEM_KQ:
        return "kqn";
    default:
        return "";
    }
}

extern "C" void FsaUxGetDeviceNamePrefix(char* prefix) {
    std::strcpy(prefix, faux_DeviceNamePrefix());
}

void faux_mbAdapterNameFromWide(const FA_WCHAR* name, char* out, int size) {
    if (size < 17) {
        if (size > 0)
            out[0] = '\0';
        return;
    }
    int i = 0;
    for (; name && name[i] && i < size - 1; ++i)
        out[i] = static_cast<char>(name[i] & 0xFF);
    out[i] = '\0';
    FA_strlwr(out);
}

void faux_mbFullAdapterName(const char* name, char* out, int size) {
    if (size < 23) {
        if (size > 0)
            out[0] = '\0';
        return;
    }
    std::snprintf(out, static_cast<std::size_t>(size), "/dev/%s", name);
    FA_strlwr(out);
}

// The prefix of the build's flavour followed by an index 0..15, nothing else.
bool faux_IsAdapterNameValid(const char* name) {
    const char* prefix = faux_DeviceNamePrefix();
    const std::size_t n = std::strlen(prefix);
    if (n == 0 || !name || strncasecmp(name, prefix, n) != 0)
        return false;
    const char* index = name + n;
    if (index[0] < '0' || index[0] > '9')
        return false;
    if (index[1] == '\0')
        return true;
    return index[0] == '1' && index[1] >= '0' && index[1] <= '5' && index[2] == '\0';
}

int faux_MatchString(const char* text, const char* pattern) {
    regex_t re;
    if (::regcomp(&re, pattern, REG_EXTENDED) != 0)
        return 0;
    regmatch_t m;
    const int found = ::regexec(&re, text, 1, &m, 0) == 0 ? static_cast<int>(m.rm_eo) : 0;
    ::regfree(&re);
    return found;
}
