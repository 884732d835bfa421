// The controller's soft-error reporting: its switch and the disks it lists,
// through the soft-error record of the SCSI pass-through.
#include "Frame.h"
#include "FsaContainerOps.h"
#include "ScsiCommands.h"

#include <cstring>

namespace {

constexpr std::uint32_t kSoftErrorOperation = 85;
constexpr std::uint32_t kFeatureSoftErrors = 0x100;
constexpr std::uint32_t kDisksPerPage = 28;

enum Function : std::uint32_t { ReadState = 5, SetState = 6, ListDisks = 7 };

struct SoftErrorDisk {
    std::uint8_t bus, target, lun, flags;
    std::uint32_t index;
};

struct SoftErrorRecord {
    std::uint32_t function;
    std::uint32_t value; // state, or entry count
    std::uint32_t firstIndex;
    std::uint32_t result;
    SoftErrorDisk disks[kDisksPerPage];
};
static_assert(sizeof(SoftErrorRecord) == 240, "the soft-error record is 240 bytes");

// Sends the record; the pass-through's own failure is thrown, the record's
// result word comes back for the caller to judge.
std::uint32_t send(FSAAPI_CONTEXT* ctx, SoftErrorRecord& r) {
    SCSI_sendfib(ctx, 0, kSoftErrorOperation, &r, sizeof r, 1);
    return r.result;
}

// Result words: 0 good (and 3 for the disk list), 2 a failed function.
void check(std::uint32_t result, bool list) {
    if (result == 0 || (list && result == 3))
        return;
    throw result == 2 ? FSA_STS_FAILURE : FSA_STS_SOFT_ERROR_FAILED;
}

template <class Work> FSA_STATUS softErrorCall(void* handle, FsaAccessSet access, Work&& work) {
    return FsaExportedCall(handle, {access, true, true}, [&](FSAAPI_CONTEXT* ctx) {
        if (!(ctx->info.adapterOptions & kFeatureSoftErrors))
            return FSA_STS_NO_SOFT_ERRORS;
        return work(ctx);
    });
}

} // namespace

extern "C" {

FSA_STATUS FsaSetSoftErrorState(void* handle, int state) {
    return softErrorCall(handle, FsaAccessSet::ReadWrite, [&](FSAAPI_CONTEXT* ctx) {
        if (state < 0 || state > 2)
            return FSA_STS_BAD_OPERATION;
        SoftErrorRecord r{};
        r.function = SetState;
        r.value = static_cast<std::uint32_t>(state);
        check(send(ctx, r), false);
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaShowSoftError(void* handle, int* state) {
    return softErrorCall(handle, FsaAccessSet::ReadOnly, [&](FSAAPI_CONTEXT* ctx) {
        if (!state)
            return FSA_STS_BAD_ARGUMENTS;
        SoftErrorRecord r{};
        r.function = ReadState;
        check(send(ctx, r), false);
        if (r.value > 2)
            return FSA_STS_SOFT_ERROR_FAILED;
        *state = static_cast<int>(r.value);
        return FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaShowSoftErrorDisks(void* handle, FSA_SOFT_ERROR_DISK_CALLBACK callback,
                                 void* cookie) {
    return softErrorCall(handle, FsaAccessSet::ReadOnly, [&](FSAAPI_CONTEXT* ctx) {
        if (!callback)
            return FSA_STS_BAD_ARGUMENTS;
        SoftErrorRecord r{};
        r.function = ListDisks;
        check(send(ctx, r), true);
        const std::uint32_t total = r.value;
        std::uint32_t pages = (total + kDisksPerPage - 1) / kDisksPerPage;
        std::uint32_t first = 0;
        for (std::uint32_t page = 0; page < pages; ++page) {
            const std::uint32_t rest = total % kDisksPerPage;
            const std::uint32_t asked = page + 1 == pages && rest ? rest : kDisksPerPage;
            r = SoftErrorRecord{};
            r.function = ListDisks;
            r.value = asked;
            r.firstIndex = first;
            check(send(ctx, r), true);
            std::uint32_t got = r.value;
            if (got != asked) {
                pages = page + 1;
                if (got > kDisksPerPage)
                    got = kDisksPerPage; // never past the record's entries
            }
            if (got == 0)
                break;
            for (std::uint32_t i = 0; i < got; ++i) {
                const SoftErrorDisk& d = r.disks[i];
                callback(d.bus, d.target, d.lun, d.flags & 1u, d.flags & 2u, cookie);
            }
            first = r.disks[got - 1].index + 1;
        }
        return FSA_STS_SUCCESS;
    });
}
}
