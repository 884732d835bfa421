// The host's partitions, file systems and drive letters on a container:
// the entry checks, the hand-over to the cluster partner that owns the
// container, and a host layer that this platform does not have.
#include "Frame.h"
#include "FsaHostPartitions.h"
#include "OpenClose.h"
#include "ScsiCommands.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {

// The partner's handle when it owns the container, else null.
void* partnerFor(FSAAPI_CONTEXT* ctx, const tag_FSA_CONTAINER* c) {
    if (!c || !c->adapterSerial || c->adapterSerial == FsaAdapterSerial(ctx))
        return nullptr;
    const std::uint32_t h = FindAdapterHandleWithSerialNumber(ctx, c->adapterSerial);
    return h && h != ctx->handle ? UtilHandleFromValue(h) : nullptr;
}

// The frame of a host operation: checks, the partner's answer when it owns
// the container, else the local answer (514 for anything needing the host).
FSA_STATUS noHost() {
    return FSA_STS_NOT_AVAILABLE_ON_OS;
}

template <class Partner, class Local = FSA_STATUS (*)()>
FSA_STATUS hostCall(void* handle, FsaAccessSet access, const tag_FSA_CONTAINER* c,
                    Partner&& partner, Local&& local = noHost) {
    return FsaExportedCall(handle, {access}, [&](FSAAPI_CONTEXT* ctx) {
        if (ctx->connectionType != FSA_CONNECTION_LOCAL)
            return FSA_STS_NOT_AVAILABLE_ON_OS;
        if (void* p = partnerFor(ctx, c))
            return partner(p);
        return local();
    });
}

FSA_STATUS noPartner(void*) {
    return FSA_STS_NOT_AVAILABLE_ON_OS;
}

} // namespace

extern "C" {

FSA_STATUS FsaNTCreatePartition(void* handle, const tag_FSA_CONTAINER* c, int kind,
                                std::uint64_t offset, std::uint64_t size, unsigned int* out) {
    return hostCall(handle, FsaAccessSet::ReadWrite, c,
                    [&](void* p) { return FsaNTCreatePartition(p, c, kind, offset, size, out); });
}

FSA_STATUS FsaNTCreateFileSystem(void* handle, const tag_FSA_CONTAINER* c, unsigned int partition,
                                 FSA_FILESYSTEM_TYPE type) {
    return hostCall(handle, FsaAccessSet::ReadWrite, c,
                    [&](void* p) { return FsaNTCreateFileSystem(p, c, partition, type); });
}

FSA_STATUS FsaNTRemovePartition(void* handle, const tag_FSA_CONTAINER* c, unsigned int partition) {
    return hostCall(handle, FsaAccessSet::ReadWrite, c,
                    [&](void* p) { return FsaNTRemovePartition(p, c, partition); });
}

FSA_STATUS FsaNTAssignDriveLetter(void* handle, char letter, const tag_FSA_CONTAINER* c,
                                  unsigned int partition) {
    return hostCall(handle, FsaAccessSet::ReadWriteOrCluster, c,
                    [&](void* p) { return FsaNTAssignDriveLetter(p, letter, c, partition); });
}

FSA_STATUS FsaNTRemoveDriveLetter(void* handle, char) {
    return hostCall(handle, FsaAccessSet::ReadWrite, nullptr, noPartner);
}

FSA_STATUS FsaNTRemoveDriveLetters(void* handle, const tag_FSA_CONTAINER* c,
                                   unsigned int partition) {
    return hostCall(handle, FsaAccessSet::ReadWrite, c,
                    [&](void* p) { return FsaNTRemoveDriveLetters(p, c, partition); });
}

FSA_STATUS FsaNTGetByContainer(void* handle, const tag_FSA_CONTAINER* c, unsigned int partition,
                               FSA_NT_PARTITION_INFO* out) {
    return hostCall(handle, FsaAccessSet::ReadOnly, c,
                    [&](void* p) { return FsaNTGetByContainer(p, c, partition, out); });
}

FSA_STATUS FsaNTGetByDriveLetter(void* handle, char, unsigned int, FSA_DRIVE_LETTER_INFO*) {
    const FsaContextHold ctx = UtilGetContextFromHandle(handle);
    if (!ctx)
        return FSA_STS_INVALID_HANDLE;
    if (const FSA_STATUS s = FsaCheckAccess(ctx, FsaAccessSet::ReadWriteOrCluster);
        s != FSA_STS_SUCCESS)
        return s;
    return FSA_STS_NOT_AVAILABLE_ON_OS;
}

FSA_STATUS FsaNTCheckFTDiskOnContainer(void* handle, const tag_FSA_CONTAINER* c, int* isFtDisk) {
    return hostCall(
        handle, FsaAccessSet::ReadOnly, c,
        [&](void* p) { return FsaNTCheckFTDiskOnContainer(p, c, isFtDisk); },
        [&] {
            if (isFtDisk)
                *isFtDisk = 0;
            return FSA_STS_SUCCESS;
        });
}

FSA_STATUS FsaNTCheckDynamicDiskOnContainer(void* handle, const tag_FSA_CONTAINER*,
                                            unsigned int* count, int* isDynamic, int* spans,
                                            int* hasFs) {
    for (int* v : {isDynamic, spans, hasFs})
        if (v)
            *v = 0;
    if (count)
        *count = 0;
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        // No host dynamic disks here: every answer stays 0.
        return ctx->connectionType != FSA_CONNECTION_LOCAL ? FSA_STS_NOT_IMPLEMENTED
                                                           : FSA_STS_SUCCESS;
    });
}

FSA_STATUS FsaNTFormatW(void* handle, char, FSA_FILESYSTEM_TYPE, const wchar_t*, unsigned int,
                        unsigned int) {
    return hostCall(handle, FsaAccessSet::ReadWrite, nullptr, noPartner);
}

FSA_STATUS FsaNTFormatA(void* handle, char letter, FSA_FILESYSTEM_TYPE type, const char* label,
                        unsigned int a, unsigned int b) {
    if (!label)
        return FsaNTFormatW(handle, letter, type, nullptr, a, b);
    const std::size_t length = std::strlen(label);
    if (length > 256)
        return FSA_STS_BUFFER_TOO_SMALL;
    std::vector<wchar_t> wide(length + 1);
    std::mbstate_t state{};
    const char* src = label;
    if (std::mbsrtowcs(wide.data(), &src, wide.size(), &state) == static_cast<std::size_t>(-1))
        return FSA_STS_BAD_ARGUMENTS; // not text of this locale
    return FsaNTFormatW(handle, letter, type, wide.data(), a, b);
}

FSA_STATUS FsaNTUpdateSnapshotW(void* handle, tag_FSA_CONTAINER*, tag_FSA_CONTAINER*,
                                unsigned int) {
    return hostCall(handle, FsaAccessSet::ReadWrite, nullptr, noPartner);
}

FSA_STATUS FsaNTUpdateSnapshotA(void* handle, tag_FSA_CONTAINER* a, tag_FSA_CONTAINER* b,
                                unsigned int c) {
    return FsaNTUpdateSnapshotW(handle, a, b, c);
}

FSA_STATUS FsaNTExtendNativeFileSystem(void* handle, const tag_FSA_CONTAINER* c) {
    return hostCall(handle, FsaAccessSet::ReadWrite, c,
                    [&](void* p) { return FsaNTExtendNativeFileSystem(p, c); });
}

} // extern "C"
