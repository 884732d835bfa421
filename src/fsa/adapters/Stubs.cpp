#include "Stubs.h"

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

// Exported families of other hosts: they take any arguments and answer 514.
extern "C" {
#define FSA_NOT_ON_THIS_OS(name)                                                                   \
    FSA_STATUS name(...) {                                                                         \
        return FSA_STS_NOT_AVAILABLE_ON_OS;                                                        \
    }
FSA_NOT_ON_THIS_OS(FsaEnumHostsA)
FSA_NOT_ON_THIS_OS(FsaEnumHostsW)
FSA_NOT_ON_THIS_OS(FsaGetRemoteUsersA)
FSA_NOT_ON_THIS_OS(FsaGetRemoteUsersW)
FSA_NOT_ON_THIS_OS(FsaScanDomainForHostsA)
FSA_NOT_ON_THIS_OS(FsaScanDomainForHostsW)
FSA_NOT_ON_THIS_OS(FsaAddHostRecordA)
FSA_NOT_ON_THIS_OS(FsaAddHostRecordW)
FSA_NOT_ON_THIS_OS(FsaDeleteHostRecordA)
FSA_NOT_ON_THIS_OS(FsaDeleteHostRecordW)
FSA_NOT_ON_THIS_OS(FsaSetLockHostRecordA)
FSA_NOT_ON_THIS_OS(FsaSetLockHostRecordW)
FSA_NOT_ON_THIS_OS(FsaMailSetMailServerA)
FSA_NOT_ON_THIS_OS(FsaMailSetMailServerW)
FSA_NOT_ON_THIS_OS(FsaMailSetEventMessageA)
FSA_NOT_ON_THIS_OS(FsaMailSetEventMessageW)
FSA_NOT_ON_THIS_OS(FsaMailGetDefaultMessageA)
FSA_NOT_ON_THIS_OS(FsaMailGetDefaultMessageW)
FSA_NOT_ON_THIS_OS(FsaMailClearEventA)
FSA_NOT_ON_THIS_OS(FsaMailClearEventW)
FSA_NOT_ON_THIS_OS(FsaMailSendTestMessageA)
FSA_NOT_ON_THIS_OS(FsaMailSendTestMessageW)
FSA_NOT_ON_THIS_OS(FsaMailGetEventInfoA)
FSA_NOT_ON_THIS_OS(FsaMailGetEventInfoW)
FSA_NOT_ON_THIS_OS(FsaMailGetServerNameA)
FSA_NOT_ON_THIS_OS(FsaMailGetServerNameW)
FSA_NOT_ON_THIS_OS(FsaCreateDumpContainer)
FSA_NOT_ON_THIS_OS(FsaForceCoreDump)
FSA_NOT_ON_THIS_OS(FsaCreateCoreFileA)
FSA_NOT_ON_THIS_OS(FsaCreateCoreFileW)
FSA_NOT_ON_THIS_OS(FsaRemoveDumpContainer)
FSA_NOT_ON_THIS_OS(FsaGetDumpInfo)
FSA_NOT_ON_THIS_OS(FsaClearCoreDumpContainer)
FSA_NOT_ON_THIS_OS(FsaSetFibTimeoutEnable)
#undef FSA_NOT_ON_THIS_OS
}
