// Ownership claims of a disk set between the two cluster nodes.
#include "DiskSetChannel.h"
#include "DiskSetOps.h"
#include "Frame.h"
#include "FsaMaintenance.h"

namespace {

enum ClaimOperation : std::uint32_t { kArbitrate = 1, kRelease = 2, kKeepAlive = 3 };

struct CLAIM_RECORD {
    std::uint64_t number;
    std::uint64_t creator;
    std::uint32_t operation;
    std::uint32_t zero;
};
static_assert(sizeof(CLAIM_RECORD) == 24, "a claim is 24 bytes");

FSA_STATUS claim(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, ClaimOperation op, bool synch) {
    const CLAIM_RECORD r{set->number, set->creator, op, 0};
    return synch ? DS_SendReceiveSynchFIB(ctx, CL_CLAIM, &r, sizeof r, nullptr, 0)
                 : DS_SendReceiveFIB(ctx, CL_CLAIM, &r, sizeof r, nullptr, 0);
}

FSA_STATUS claimCall(void* handle, FSA_DISK_SET* set, ClaimOperation op) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadWrite, false}, [&](FSAAPI_CONTEXT* ctx) {
        return set ? claim(ctx, set, op, false) : FSA_STS_BAD_ARGUMENTS;
    });
}

} // namespace

extern "C" {

FSA_STATUS FsaArbitrate(void* handle, FSA_DISK_SET* set) {
    return claimCall(handle, set, kArbitrate);
}

FSA_STATUS FsaRelease(void* handle, FSA_DISK_SET* set) {
    return claimCall(handle, set, kRelease);
}

FSA_STATUS FsaKeepClaimAlive(void* handle, FSA_DISK_SET* set) {
    // Only the handle is tested and no lock is taken: a cluster service keeps
    // its claims alive while other calls run.
    const FsaContextHold ctx = UtilGetContextFromHandle(handle);
    if (!ctx)
        return FSA_STS_INVALID_HANDLE;
    if (!set)
        return FSA_STS_BAD_ARGUMENTS;
    try {
        return claim(ctx, set, kKeepAlive, keepalive_synchfib != 0);
    } catch (FSA_STATUS s) {
        return s;
    }
}
}
