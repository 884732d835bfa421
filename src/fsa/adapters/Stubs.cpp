#include "Stubs.h"

#include "FsaApi.h"

#define FSA_DEFINE_STUB(result, name, params, answer, status)                                      \
    result name params {                                                                           \
        answer status;                                                                             \
    }
FSA_PLATFORM_STUBS(FSA_DEFINE_STUB)
#undef FSA_DEFINE_STUB

int GetSimulatorInfo(unsigned int, _tagFSA_ADAPTER_ENUM_INFO*) {
    return 0;
}
std::uint32_t NetworkRegisterOpenWithService(FSAAPI_CONTEXT*) {
    return 0;
}
void NetworkDeregisterWithService(FSAAPI_CONTEXT*) {}
int FsaNTPreOpenClusterPartnerUpW() {
    return 0;
}

// Exported services of hosts other than this one: each answers 514.
#define FSA_EXPORTS_NOT_ON_THIS_OS(X)                                                              \
    X(FsaUtilSetAdapPerfMonEnabledW, (const FA_WCHAR*, const FA_WCHAR*, int))                      \
    X(FsaUtilIsAdapPerfMonEnabledW, (const FA_WCHAR*, const FA_WCHAR*, int*))                      \
    X(FsaUtilSetFSPerfMonEnabledW, (const FA_WCHAR*, const FA_WCHAR*, int))                        \
    X(FsaUtilIsFSPerfMonEnabledW, (const FA_WCHAR*, const FA_WCHAR*, int*))                        \
    /* Families whose arguments this library does not publish take any */                          \
    X(FsaEnumHostsA, (...))                                                                        \
    X(FsaEnumHostsW, (...))                                                                        \
    X(FsaGetRemoteUsersA, (...))                                                                   \
    X(FsaGetRemoteUsersW, (...))                                                                   \
    X(FsaScanDomainForHostsA, (...))                                                               \
    X(FsaScanDomainForHostsW, (...))                                                               \
    X(FsaAddHostRecordA, (...))                                                                    \
    X(FsaAddHostRecordW, (...))                                                                    \
    X(FsaDeleteHostRecordA, (...))                                                                 \
    X(FsaDeleteHostRecordW, (...))                                                                 \
    X(FsaSetLockHostRecordA, (...))                                                                \
    X(FsaSetLockHostRecordW, (...))                                                                \
    X(FsaMailSetMailServerA, (...))                                                                \
    X(FsaMailSetMailServerW, (...))                                                                \
    X(FsaMailSetEventMessageA, (...))                                                              \
    X(FsaMailSetEventMessageW, (...))                                                              \
    X(FsaMailGetDefaultMessageA, (...))                                                            \
    X(FsaMailGetDefaultMessageW, (...))                                                            \
    X(FsaMailClearEventA, (...))                                                                   \
    X(FsaMailClearEventW, (...))                                                                   \
    X(FsaMailSendTestMessageA, (...))                                                              \
    X(FsaMailSendTestMessageW, (...))                                                              \
    X(FsaMailGetEventInfoA, (...))                                                                 \
    X(FsaMailGetEventInfoW, (...))                                                                 \
    X(FsaMailGetServerNameA, (...))                                                                \
    X(FsaMailGetServerNameW, (...))                                                                \
    X(FsaCreateDumpContainer, (...))                                                               \
    X(FsaForceCoreDump, (...))                                                                     \
    X(FsaCreateCoreFileA, (...))                                                                   \
    X(FsaCreateCoreFileW, (...))                                                                   \
    X(FsaRemoveDumpContainer, (...))                                                               \
    X(FsaGetDumpInfo, (...))                                                                       \
    X(FsaClearCoreDumpContainer, (...))                                                            \
    X(FsaSetFibTimeoutEnable, (...))

extern "C" {
#define FSA_DEFINE_EXPORT(name, params)                                                            \
    FSA_STATUS name params {                                                                       \
        return FSA_STS_NOT_AVAILABLE_ON_OS;                                                        \
    }
FSA_EXPORTS_NOT_ON_THIS_OS(FSA_DEFINE_EXPORT)
#undef FSA_DEFINE_EXPORT
}
