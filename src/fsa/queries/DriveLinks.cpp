// Drive-letter links of containers: a service of hosts with drive letters,
// which this operating system does not have.
#include "Frame.h"
#include "FsaApi.h"
#include "FsaContainerHost.h"
#include "HostExposure.h"
#include "OsTypes.h"
#include "Stubs.h"

#include <array>

namespace {

constexpr std::uint32_t kFeatureRemoteLinks = 0x2;

bool linkingAllowed(std::uint32_t access) {
    return access == 1 || access == 3 || access == 4 || access == 5 || access == 6;
}

// One letter per slot, A to Z, as the library starts up.
class FSAAPI_SIM_DRIVE_LETTER {
public:
    FSAAPI_SIM_DRIVE_LETTER() {
        m_state.fill(-1);
        m_state[0] = m_state[1] = m_state[2] = -2;
        m_state[3] = 0;
        m_state[4] = 1;
    }
    int state(char letter) const {
        const int i = (letter >= 'a' && letter <= 'z') ? letter - 'a' : letter - 'A';
        return i >= 0 && i < 26 ? m_state[static_cast<std::size_t>(i)] : 0;
    }

private:
    std::array<int, 26> m_state{};
};

const FSAAPI_SIM_DRIVE_LETTER g_simDriveLetters;

} // namespace

extern "C" {

FSA_STATUS FsaNTLinkForContainer(void* handle, int operation, const tag_FSA_CONTAINER* container,
                                 unsigned int word1, unsigned int word2) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly, true, false}, [&](FSAAPI_CONTEXT* ctx) {
        if (operation == 1) {
            if (!linkingAllowed(ctx->access))
                return FSA_STS_NEEDS_READ_WRITE;
            if (FsaTopMostOsType(ctx) == kOsW2K)
                return FSA_STS_NOT_ON_W2K;
        } else if (operation != 5 && operation != 6) {
            if (const FSA_STATUS s = FsaCheckAccess(ctx, FsaAccessSet::ReadWrite);
                s != FSA_STS_SUCCESS)
                return s;
        }
        faos_NTLinkForContainer(ctx, operation, container, word1, word2);
    });
}

FSA_STATUS FsaLinkForContainerExInternal(void* handle, unsigned int adapterSerial, int operation,
                                         unsigned int word1, unsigned int word2) {
    void* target = nullptr;
    if (const FSA_STATUS s = FsaGetHandleFromSerial(handle, adapterSerial, &target);
        s != FSA_STS_SUCCESS)
        return s;
    return FsaNTLinkForContainer(target, operation, nullptr, word1, word2);
}

FSA_STATUS FsaNTLinkForContainerEx(void* handle, unsigned int adapterIndex, int operation,
                                   unsigned int word1, unsigned int word2) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadWrite, true, true}, [&](FSAAPI_CONTEXT* ctx) {
        unsigned int serial = 0;
        if (const FSA_STATUS s = FsaGetSerialNumFromIndex(handle, adapterIndex, &serial);
            s != FSA_STS_SUCCESS)
            return s;
        if ((ctx->info.adapterOptions & kFeatureRemoteLinks) &&
            ctx->connectionType == FSA_CONNECTION_REMOTE)
            return NetworkNTLinkForContainerExInternal();
        return FsaLinkForContainerExInternal(handle, serial, operation, word1, word2);
    });
}

FSA_STATUS FsaGetDriveLetterUsage(void* handle, int*) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly, true, false}, [&](FSAAPI_CONTEXT* ctx) {
        return ctx->connectionType == FSA_CONNECTION_REMOTE ? NetworkGetDriveLetterUsage()
                                                            : faos_GetDriveLetterUsage();
    });
}

FSA_STATUS FsaGetDriveLetterUsageEx(void* handle, unsigned int adapterIndex, int* usage) {
    void* target = nullptr;
    if (const FSA_STATUS s = FsaGetHandleFromIndex(handle, adapterIndex, &target);
        s != FSA_STS_SUCCESS)
        return s;
    return FsaGetDriveLetterUsage(target, usage);
}

int FsaSimDriveLetterState(char letter) {
    return g_simDriveLetters.state(letter);
}
}
