// The controller's device nodes: probing, the adapter-information request,
// the OS channel of an open adapter and the driver revision check.
#include "AdapterType.h"
#include "DriverRequests.h"
#include "FailureDetail.h"
#include "LockFiles.h"
#include "OsLayer.h"
#include "OsPort.h"
#include "OsSync.h"
#include "ParamChecks.h"
#include "Revision.h"
#include "Trace.h"
#include "WideString.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>

namespace {

// A device-node descriptor closed on every path.
class NodeFd {
public:
    explicit NodeFd(int fd) : m_fd(fd) {}
    ~NodeFd() {
        if (m_fd >= 0)
            fsa::osPort().close(m_fd);
    }
    NodeFd(const NodeFd&) = delete;
    NodeFd& operator=(const NodeFd&) = delete;
    int get() const { return m_fd; }
    int release() {
        const int fd = m_fd;
        m_fd = -1;
        return fd;
    }

private:
    int m_fd;
};

std::uint32_t replyWord(const _FIB& fib, std::size_t i) {
    std::uint32_t v;
    std::memcpy(&v, fib.data + 4 * i, 4);
    return v;
}

} // namespace

[[noreturn]] void faux_ThrowIoctlFailure(const char* name, int err) {
    FsaUxDbgFilePrintf(FSA_DBG_IOCTL, 2, "-- Failed ioctl:%s, errno=%d:%s\n", name, err,
                       std::strerror(err));
    faux_FmtString(FailureSlot::Ioctl, err, name);
    throw FSA_STS_UX_IOCTL_FAILED;
}

FAUX_COMM_CONTEXT::~FAUX_COMM_CONTEXT() {
    try {
        for (auto& c : aif) {
            faos_DestroySemaphore(c.resumeSema);
            faos_DestroySemaphore(c.doneSema);
        }
        faos_DestroyMutex(aifMutex);
    } catch (FSA_STATUS) {
    }
}

bool faux_FillAdapterInfoStruct(int fd, const char* name, _tagFSA_ADAPTER_ENUM_INFO* info) {
    std::memset(info, 0, sizeof *info);
    FA_widen(info->deviceName, name, 17);
    _FIB fib{};
    fib.XferState = 1;
    fib.Command = FIB_REQUEST_ADAPTER_INFO;
    fib.StructType = FIB_STRUCT_TFIB;
    fib.Size = 4;
    fib.SenderSize = sizeof fib;
    if (fsa::osPort().ioctl(fd, FSACTL_SENDFIB, &fib) != 0)
        faux_ThrowIoctlFailure("SENDFIB", errno);
    info->adapterType = TranslatePLATtoAT(replyWord(fib, 0), replyWord(fib, 21));
    info->infoWords[0] = replyWord(fib, 17);
    info->infoWords[1] = replyWord(fib, 18);
    info->clusterCapable =
        replyWord(fib, 15) == 1 || (replyWord(fib, 15) == 2 && replyWord(fib, 16) != 0);
    info->availability = clsALH.QuerryAdapter(name);
    unsigned int capacity = 52;
    faos_GetHostName(info->hostName, &capacity);
    return true;
}

int faos_GetAdapterInfo(unsigned int index, _tagFSA_ADAPTER_ENUM_INFO* info) {
    for (unsigned int i = index; i <= 15; ++i) {
        char name[20];
        char path[32];
        std::snprintf(name, sizeof name, "%s%u", faux_DeviceNamePrefix(), i);
        std::snprintf(path, sizeof path, "/dev/%s", name);
        std::memset(info, 0, sizeof *info);
        NodeFd fd(fsa::osPort().open(path, O_RDONLY | O_CLOEXEC, 0));
        if (fd.get() >= 0)
            return faux_FillAdapterInfoStruct(fd.get(), name, info) ? static_cast<int>(i) : -1;
        if (errno != ENOENT)
            FsaUxDbgFilePrintf(FSA_DBG_DRIVER, 3, "-- faos_GetAdapterInfo: open %s, errno=%d:%s\n",
                               path, errno, std::strerror(errno));
    }
    return -1;
}

bool faos_OpenChannelToAdapter(FSAAPI_CONTEXT* ctx, const FA_WCHAR* adapterName) {
    auto channel = std::make_unique<FAUX_COMM_CONTEXT>();
    char name[17];
    faux_mbAdapterNameFromWide(adapterName, name, sizeof name);
    if (!faux_IsAdapterNameValid(name) || FA_wcslen(adapterName) >= sizeof name)
        throw FSA_STS_UX_INVALID_ADAPTER_TYPE;
    char path[23];
    faux_mbFullAdapterName(name, path, sizeof path);
    std::snprintf(channel->name, sizeof channel->name, "%s", name);
    if (!clsALH.TakeAdapter(name, ctx->access))
        throw FSA_STS_OPENED_READ_WRITE;
    channel->lockTaken = ctx->access == FSA_ACC_READ_WRITE;
    struct LockGuard {
        FAUX_COMM_CONTEXT* channel;
        ~LockGuard() {
            if (channel && channel->lockTaken)
                clsALH.ReleaseAdapter(channel->name);
        }
    } lockGuard{channel.get()};

    NodeFd fd(fsa::osPort().open(path, O_RDWR | O_CLOEXEC, 0));
    if (fd.get() < 0) {
        if (errno == EACCES)
            throw FSA_STS_UX_AUTH_REQUIRED;
        return false;
    }
    _tagFSA_ADAPTER_ENUM_INFO info;
    if (!faux_FillAdapterInfoStruct(fd.get(), name, &info))
        return false;
    channel->aifMutex = faos_CreateMutex("aif");
    channel->fd = fd.release();
    lockGuard.channel = nullptr;
    ctx->channel = channel.release();
    return true;
}

void faos_CloseChannelToAdapter(FSAAPI_CONTEXT* ctx) {
    std::unique_ptr<FAUX_COMM_CONTEXT> channel(ctx->channel);
    ctx->channel = nullptr;
    if (!channel)
        return;
    if (channel->lockTaken)
        clsALH.ReleaseAdapter(channel->name);
    if (channel->fd >= 0)
        fsa::osPort().close(channel->fd);
}

int faos_CheckAdapterAccess(FSAAPI_CONTEXT*, FSA_ACCESS) {
    return 1;
}

FSA_STATUS faos_CheckDriverCompatibility(FSAAPI_CONTEXT* ctx) {
    FsaRevision own;
    RevGetFullRevision(&own);
    auto buffer = std::unique_ptr<std::uint32_t[]>(new (std::nothrow) std::uint32_t[3]);
    if (!buffer)
        throw FSA_STS_OUT_OF_MEMORY;
    buffer[0] = REV_LIBRARY;
    buffer[1] = own.external;
    buffer[2] = own.build;
    if (fsa::osPort().ioctl(ctx->channel->fd, FSACTL_MINIPORT_REV_CHECK, buffer.get()) != 0)
        faux_ThrowIoctlFailure("FSACTL_MINIPORT_REV_CHECK", errno);
    if (buffer[0] == 0)
        return FSA_STS_MINIPORT_DRV_TOO_NEW;
    if (!RevCheckCompatibility(REV_LIBRARY, REV_HOST_DRIVER, buffer[2]))
        return FSA_STS_MINIPORT_DRV_TOO_OLD;
    FSA_REVISION driver;
    std::memcpy(&driver, &buffer[1], sizeof driver);
    ctx->info.fileSysDriverVersion = driver;
    ctx->info.miniportDriverVersion = driver;
    return FSA_STS_SUCCESS;
}

void faos_GetPCIBusAndSlotInfo(FSAAPI_CONTEXT* ctx, short* bus, short* slot) {
    if (PCK_HasNoHostDriver(ctx))
        return;
    *bus = -1;
    *slot = -1;
    std::uint32_t reply[2] = {};
    if (fsa::osPort().ioctl(ctx->channel->fd, FSACTL_GET_PCI_INFO, reply) == 0) {
        *bus = static_cast<short>(reply[0]);
        *slot = static_cast<short>(reply[1]);
    }
}

int faos_GetPartnerAdapterInfo(unsigned int, _tagFSA_ADAPTER_ENUM_INFO*) {
    FsaUxDbgFilePrintf(FSA_DBG_MISC, 3, "<> faos_GetPartnerAdapterInfo\n");
    return 0;
}

int faos_OpenClusterPartnerAdapter(FSAAPI_CONTEXT*) {
    FsaUxDbgFilePrintf(FSA_DBG_MISC, 3, "<> faos_OpenClusterPartnerAdapter\n");
    return 1;
}
