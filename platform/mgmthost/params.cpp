// Request parameters: "name=value" texts; the first of a name wins.
#include "mgmthost/ocs.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

bool parseUnsigned(const char* text, unsigned long long limit, unsigned long long* out) {
    if (!text || !*text || *text == '-' || *text == '+' || *text == ' ')
        return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text, &end, 0);
    if (errno != 0 || *end != '\0' || v > limit)
        return false;
    *out = v;
    return true;
}

} // namespace

extern "C" {

const char* OCSGetAStrParamValueByAStrName(int32_t count, OCSParamList params, const char* name,
                                           int32_t) {
    if (!params || !name || count <= 0)
        return nullptr;
    const std::size_t nameLen = std::strlen(name);
    for (int32_t i = 0; i < count; ++i) {
        const char* p = params[i];
        if (p && std::strncmp(p, name, nameLen) == 0 && p[nameLen] == '=')
            return p + nameLen + 1;
    }
    return nullptr;
}

int32_t OCSDASNVPValToXVal(int32_t count, OCSParamList params, const char* name, int32_t kind,
                           void* out) {
    const char* text = OCSGetAStrParamValueByAStrName(count, params, name, 0);
    if (!text)
        return OCS_XVAL_MISSING;
    if (!out)
        return OCS_XVAL_BAD;
    unsigned long long v = 0;
    switch (kind) {
    case OCS_KIND_TEXT:
        *static_cast<const char**>(out) = text;
        return 0;
    case OCS_KIND_UINT32:
        if (!parseUnsigned(text, 0xFFFFFFFFull, &v))
            return OCS_XVAL_BAD;
        *static_cast<uint32_t*>(out) = static_cast<uint32_t>(v);
        return 0;
    case OCS_KIND_UINT16:
        if (!parseUnsigned(text, 0xFFFFull, &v))
            return OCS_XVAL_BAD;
        *static_cast<uint16_t*>(out) = static_cast<uint16_t>(v);
        return 0;
    default:
        return OCS_XVAL_BADKIND;
    }
}

uint16_t OCSASCIIToBooln(const char* text) {
    if (!text)
        return 0;
    if (strcasecmp(text, "true") == 0 || strcasecmp(text, "yes") == 0)
        return 1;
    unsigned long long v = 0;
    return parseUnsigned(text, ~0ull, &v) && v != 0 ? 1 : 0;
}

uint32_t OCSASCIIToUnSigned32(const char* text) {
    unsigned long long v = 0;
    return parseUnsigned(text, 0xFFFFFFFFull, &v) ? static_cast<uint32_t>(v) : 0;
}

} // extern "C"
