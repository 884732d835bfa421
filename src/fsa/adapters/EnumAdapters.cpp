// Adapter enumeration: probing the device nodes and reporting each adapter
// found to the caller's callback.
#include "AdapterType.h"
#include "OsLayer.h"
#include "OsSync.h"
#include "Stubs.h"
#include "WideString.h"

#include <cstring>
#include <string>

namespace {

constexpr unsigned kSimulatorIndices = 11;
constexpr int kLastDevice = 15;

FSA_ADAPTER_AVAIL_TYPE mergeAvailability(FSA_ADAPTER_AVAIL_TYPE a, FSA_ADAPTER_AVAIL_TYPE b) {
    if (a == FSA_AVL_READ_WRITE && b == FSA_AVL_READ_WRITE)
        return FSA_AVL_READ_WRITE;
    if (a != FSA_AVL_UNKNOWN && b != FSA_AVL_UNKNOWN &&
        (a == FSA_AVL_READ_ONLY || b == FSA_AVL_READ_ONLY))
        return FSA_AVL_READ_ONLY;
    return FSA_AVL_UNKNOWN;
}

FSA_STATUS LocalEnumAdapters(bool skipPartners, void* user, FSA_ADAPTER_ENUM_CALLBACK callback) {
    const FAUX_CANCEL_HOLDOFF holdOff;
    bool reported = false;
    _tagFSA_ADAPTER_ENUM_INFO info;
    try {
        for (unsigned i = 0; i < kSimulatorIndices; ++i) {
            if (!GetSimulatorInfo(i, &info))
                continue;
            TranslateAdapterTypeToText(info.adapterType, info.adapterTypeText);
            reported = true;
            if (callback(FSA_STS_SUCCESS, &info, user) != FSA_STS_SUCCESS)
                return FSA_STS_SUCCESS;
        }
        for (int index = 0; index <= kLastDevice;) {
            const int found = faos_GetAdapterInfo(static_cast<unsigned>(index), &info);
            if (found < 0)
                break;
            if (!skipPartners && info.clusterCapable && FsaNTPreOpenClusterPartnerUpW()) {
                _tagFSA_ADAPTER_ENUM_INFO partner;
                if (faos_GetPartnerAdapterInfo(static_cast<unsigned>(found), &partner))
                    info.availability = mergeAvailability(info.availability, partner.availability);
            }
            TranslateAdapterTypeToText(info.adapterType, info.adapterTypeText);
            reported = true;
            if (callback(FSA_STS_SUCCESS, &info, user) != FSA_STS_SUCCESS)
                return FSA_STS_SUCCESS;
            index = found + 1;
        }
    } catch (FSA_STATUS status) {
        return status;
    }
    callback(FSA_STS_ALL_ITERATED, nullptr, user);
    return reported ? FSA_STS_SUCCESS : FSA_STS_NO_ADAPTER;
}

} // namespace

extern "C" {

FSA_STATUS FsaEnumAdaptersW(const FA_WCHAR* host, const FA_WCHAR* domain, void* user,
                            FSA_ADAPTER_ENUM_CALLBACK callback) {
    if (host && host[0] && host[0] != U'.') {
        FA_WCHAR h[52] = {};
        FA_WCHAR d[52] = {};
        FA_wcsbcpy(h, host, sizeof h / sizeof h[0]);
        FA_wcsbcpy(d, domain, sizeof d / sizeof d[0]);
        FA_wcsupr(h);
        FA_wcsupr(d);
        return NetworkEnumAdapters(h, d);
    }
    return LocalEnumAdapters(false, user, callback);
}

FSA_STATUS FsaEnumAdaptersA(const char* host, const char* domain, void* user,
                            FSA_ADAPTER_ENUM_CALLBACK callback) {
    const std::u32string h = FA_Widen(host);
    const std::u32string d = FA_Widen(domain);
    return FsaEnumAdaptersW(host ? h.c_str() : nullptr, domain ? d.c_str() : nullptr, user,
                            callback);
}

FSA_STATUS FsaLocalEnumAdapters(void* user, FSA_ADAPTER_ENUM_CALLBACK callback) {
    return LocalEnumAdapters(true, user, callback);
}

FSA_STATUS FsaGetLocalAdapterInfo(unsigned int index, _tagFSA_ADAPTER_ENUM_INFO* info) {
    const FAUX_CANCEL_HOLDOFF holdOff;
    if (GetSimulatorInfo(index, info))
        return FSA_STS_SUCCESS;
    try {
        // Only an adapter at exactly this index counts.
        if (faos_GetAdapterInfo(index, info) != static_cast<int>(index))
            return FSA_STS_NO_ADAPTER;
    } catch (FSA_STATUS status) {
        return status;
    }
    TranslateAdapterTypeToText(info->adapterType, info->adapterTypeText);
    return FSA_STS_SUCCESS;
}

} // extern "C"
