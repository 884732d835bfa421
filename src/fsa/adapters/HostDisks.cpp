// Containers as the host sees them: their host disks through the driver,
// exposure to the SCSI mid-layer, removal and change.
#include "DriverRequests.h"
#include "OsLayer.h"
#include "OsPort.h"
#include "Trace.h"
#include "TraceText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kLastHostContainer = 23;
constexpr const char* kScsiProc = "/proc/scsi/scsi";

_UNIX_QUERY_DISK queryDisk(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    _UNIX_QUERY_DISK q{};
    q.containerNumber = static_cast<std::int32_t>(container);
    q.bus = q.target = q.lun = q.instance = -1;
    if (fsa::osPort().ioctl(ctx->channel->fd, FSACTL_QUERY_DISK, &q) != 0)
        faux_ThrowIoctlFailure("QUERY_DISK", errno);
    q.diskDeviceName[sizeof q.diskDeviceName - 1] = '\0'; // the driver's name may fill the field
    fauxPrint_UnixQueryDisk(FSA_DBG_IOCTL, 4, "QUERY_DISK", &q);
    return q;
}

void writeScsiLine(FSAAPI_CONTEXT* ctx, std::uint32_t container, const char* verb) {
    if (container > kLastHostContainer)
        return;
    int instance, bus, target, lun;
    char name[16];
    faux_CtrGetInstanceBusTargetLunAndDiskDeviceName(ctx, container, &instance, &bus, &target, &lun,
                                                     name);
    const int fd = fsa::osPort().open(kScsiProc, O_WRONLY | O_CLOEXEC, 0);
    if (fd < 0)
        return; // the host simply does not learn of the change
    char line[96];
    const int n = std::snprintf(line, sizeof line, "scsi %s-single-device %d %d %d %d", verb,
                                instance, 0, target, lun);
    if (::write(fd, line, static_cast<std::size_t>(n)) < 0) {
        // Nothing is reported for a refused line either.
    }
    fsa::osPort().close(fd);
}

} // namespace

int faux_CtrGetInstanceBusTargetLunAndDiskDeviceName(FSAAPI_CONTEXT* ctx, std::uint32_t container,
                                                     int* instance, int* bus, int* target, int* lun,
                                                     char* diskName) {
    const _UNIX_QUERY_DISK q = queryDisk(ctx, container);
    *instance = q.instance == -1 ? 99 : q.instance;
    *bus = q.bus;
    *target = q.target;
    *lun = q.lun;
    std::memcpy(diskName, q.diskDeviceName, sizeof q.diskDeviceName);
    return 1;
}

void faos_ExposeCtrToOs(FSAAPI_CONTEXT* ctx, std::uint32_t container, int) {
    writeScsiLine(ctx, container, "add");
}

void faos_UnExposeCtrToOs(FSAAPI_CONTEXT* ctx, std::uint32_t container, int) {
    writeScsiLine(ctx, container, "remove");
}

// No effect on this OS; the trace names the container the call was for.
void faos_ExposeExtendedContainer(FSAAPI_CONTEXT*, std::uint32_t container) {
    FsaUxDbgFilePrintf(FSA_DBG_MISC, 3, "<> faos_ExposeExtendedContainer %u\n", container);
}

std::uint32_t faos_CtrGetUsage(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    if (container > ctx->info.highestContainerNumber)
        return 0; // FSA_CU_NONE
    const _UNIX_QUERY_DISK q = queryDisk(ctx, container);
    if (q.locked)
        return 13;
    if (q.deleted)
        return 14;
    if (!q.valid)
        return 17;
    if (q.unmapped)
        return 16;
    return 12;
}

void faos_ContainerSpecialFile(FSAAPI_CONTEXT* ctx, char* out, int, std::uint32_t container) {
    out[0] = '\0';
    if (container > kLastHostContainer)
        return;
    const _UNIX_QUERY_DISK q = queryDisk(ctx, container);
    if (q.diskDeviceName[0])
        std::snprintf(out, 5 + sizeof q.diskDeviceName + 1, "/dev/%s", q.diskDeviceName);
}

FAOS_CTR_REMOVE_BASE::~FAOS_CTR_REMOVE_BASE() = default;

FAOS_CTR_REMOVE* faos_PrepareCtrForRemoval(FSAAPI_CONTEXT* ctx, std::uint32_t container, int,
                                           int force) {
    if (ctx->simulatorKind == 1)
        return nullptr;
    if (!force && faos_CtrGetUsage(ctx, container) == 13)
        throw FSA_STS_UX_DISK_OPEN;
    return new FAOS_CTR_REMOVE(container, force != 0);
}

// A container the host never had a disk for leaves nothing to remove: the
// driver answers that it has no such disk (ENXIO) and, asked again, does not
// know one. Every other failure is reported.
void faos_CtrRemovalComplete(FSAAPI_CONTEXT* ctx, std::uint32_t container, int,
                             FAOS_CTR_REMOVE_BASE*) {
    if (ctx->simulatorKind != 0)
        return;
    std::uint32_t record[2] = {0, container};
    if (fsa::osPort().ioctl(ctx->channel->fd, FSACTL_DELETE_DISK, record) != 0) {
        const int error = errno;
        if (error != ENXIO || queryDisk(ctx, container).valid)
            faux_ThrowIoctlFailure("DELETE_DISK", error);
        return; // nor is there anything to take from the SCSI layer
    }
    faos_UnExposeCtrToOs(ctx, container, 0);
}

FAOS_CTR_REMOVE_BASE* faos_PrepareCtrForChange(FSAAPI_CONTEXT*, std::uint32_t) {
    return nullptr;
}

void faos_CtrChangeComplete(FSAAPI_CONTEXT* ctx, std::uint32_t container, int,
                            FAOS_CTR_REMOVE_BASE*) {
    faos_ExposeCtrToOs(ctx, container, 0);
}

int faos_RestoreDriveLetters(FSAAPI_CONTEXT* ctx, std::uint32_t container) {
    faos_ExposeCtrToOs(ctx, container, 0);
    return 1;
}
