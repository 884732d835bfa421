// Performance-monitor switches. The narrow forms convert the names and call
// the wide forms, which this host, having no such counters, answers with 514
// from the platform's stand-in table.
#include "FsaApi.h"
#include "WideString.h"

namespace {

constexpr std::size_t kNameMax = 52;

template <class Wide, class Arg>
FSA_STATUS viaWide(Wide wide, const char* host, const char* adapter, Arg arg) {
    FA_WCHAR h[kNameMax];
    FA_WCHAR a[kNameMax];
    FA_widen(h, host, kNameMax);
    FA_widen(a, adapter, kNameMax);
    return wide(h, a, arg);
}

} // namespace

extern "C" {

FSA_STATUS FsaUtilSetAdapPerfMonEnabledA(const char* host, const char* adapter, int enable) {
    return viaWide(FsaUtilSetAdapPerfMonEnabledW, host, adapter, enable);
}
FSA_STATUS FsaUtilIsAdapPerfMonEnabledA(const char* host, const char* adapter, int* enabled) {
    return viaWide(FsaUtilIsAdapPerfMonEnabledW, host, adapter, enabled);
}
FSA_STATUS FsaUtilSetFSPerfMonEnabledA(const char* host, const char* adapter, int enable) {
    return viaWide(FsaUtilSetFSPerfMonEnabledW, host, adapter, enable);
}
FSA_STATUS FsaUtilIsFSPerfMonEnabledA(const char* host, const char* adapter, int* enabled) {
    return viaWide(FsaUtilIsFSPerfMonEnabledW, host, adapter, enabled);
}

} // extern "C"
