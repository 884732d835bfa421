// Performance-monitor switches. The narrow forms convert the names and call
// the wide forms, which ask the OS layer; this host has no such counters.
#include "FsaApi.h"
#include "WideString.h"

namespace {

constexpr std::size_t kNameMax = 52;

FSA_STATUS notOnThisHost() {
    // The OS layer's switch throws 514 here; without a frame it is returned.
    return FSA_STS_NOT_AVAILABLE_ON_OS;
}

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

FSA_STATUS FsaUtilSetAdapPerfMonEnabledW(const FA_WCHAR*, const FA_WCHAR*, int) {
    return notOnThisHost();
}
FSA_STATUS FsaUtilIsAdapPerfMonEnabledW(const FA_WCHAR*, const FA_WCHAR*, int*) {
    return notOnThisHost();
}
FSA_STATUS FsaUtilSetFSPerfMonEnabledW(const FA_WCHAR*, const FA_WCHAR*, int) {
    return notOnThisHost();
}
FSA_STATUS FsaUtilIsFSPerfMonEnabledW(const FA_WCHAR*, const FA_WCHAR*, int*) {
    return notOnThisHost();
}

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
