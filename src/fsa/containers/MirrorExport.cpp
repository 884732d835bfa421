// FsaMirror: the older entry for splitting, unmirroring, scrubbing and
// checking mirrors.
#include "ContainerCaches.h"
#include "ContainerCreation.h"
#include "ContainerDispatch.h"
#include "ContainerInfo.h"
#include "ContainerOperations.h"
#include "HostExposure.h"
#include "HostSnapshot.h"
#include "OpsFrame.h"
#include "ParamChecks.h"
#include "SmallCommands.h"
#include "Stubs.h"
#include "Trace.h"

#include <memory>
#include <new>

namespace {

FSA_STATUS split(FSAAPI_CONTEXT* ctx, const tag_FSA_CONTAINER& c, tag_FSA_CONTAINER* out,
                 bool single) {
    const std::uint32_t n = c.containerNumber;
    PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0xD, 0x800000));
    if (!out)
        return FSA_STS_BAD_ARGUMENTS;
    const std::uint32_t fresh =
        CT_GetNextFreeContainer(ctx, 0, CT_SearchesEveryDisk(ctx, c) ? 0 : 1);
    CT_GetStandardID(ctx, out, fresh);
    PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0x1D, 0x40885008));
    if (PCK_HasNoHostDriver(ctx))
        single ? CT_Split(ctx, n, fresh) : CT_SplitTwo(ctx, n, fresh);
    else
        faos_TakeContainerSnapshot(ctx, single ? FAOS_SNAPSHOT_SPLIT : FAOS_SNAPSHOT_SPLIT_TWO,
                                   nullptr, 0, &c, out);
    FsaOk(FsaExposeCtrToOs(ctx, fresh, 1));
    return FSA_STS_SUCCESS;
}

FSA_STATUS unmirror(FSAAPI_CONTEXT* ctx, void* handle, const tag_FSA_CONTAINER& c, bool single) {
    const std::uint32_t n = c.containerNumber;
    PCK_ThrowIfContainerIs(ctx, n, CT_STATES(0xD, 0x40885000));
    if (single) {
        CT_UnMirror(ctx, n);
        return FSA_STS_SUCCESS;
    }
    std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow)
                                               std::uint8_t[FSA_CONTAINER_INFO_MAX_BYTES]());
    if (!buffer)
        return FSA_STS_OUT_OF_MEMORY;
    auto* info = reinterpret_cast<FSA_CONTAINER_INFO*>(buffer.get());
    FsaOk(FsaGetContainerInfo(handle, 0, &c, info, FSA_CONTAINER_INFO_MAX_BYTES));
    if (info->mirrorState == 2 || info->mirrorState == 3)
        return FSA_STS_MIRROR_SET_BUSY;
    for (std::uint32_t i = 0;
         i < info->partitionCount && i < CT_InfoRoom(FSA_CONTAINER_INFO_MAX_BYTES); ++i)
        CT_UnMirror(ctx, info->partitions[i].device.kind);
    return FSA_STS_SUCCESS;
}

FSA_STATUS operate(FSAAPI_CONTEXT* ctx, void* handle, FSA_MIRROR_FUNCTION function,
                   tag_FSA_CONTAINER* container, tag_FSA_CONTAINER* newContainer) {
    const bool single =
        PCK_ContainerIs(ctx, container->containerNumber, CT_STATES(0, 0x2), FSA_RETURN_ON_FAILURE);
    switch (function) {
    case FSA_MIRROR_SPLIT:
        return split(ctx, *container, newContainer, single);
    case FSA_MIRROR_UNMIRROR:
        return unmirror(ctx, handle, *container, single);
    case FSA_MIRROR_SCRUB:
    case FSA_MIRROR_CHECK:
        UtilPrintDebugFormatted("QORAPI : Using obsolete function.  Use FsaContainer");
        PCK_ThrowIfContainerIs(ctx, container->containerNumber, CT_STATES(0, 0x40002000));
        return FsaContainer(handle, container,
                            function == FSA_MIRROR_SCRUB ? FSA_CO_SCRUB : FSA_CO_CHECK, nullptr);
    }
    return FSA_STS_BAD_MIRROR_FUNCTION;
}

} // namespace

extern "C" {

FSA_STATUS FsaMirror(void* handle, FSA_MIRROR_FUNCTION function, tag_FSA_CONTAINER* container,
                     tag_FSA_CONTAINER* newContainer) {
    return FsaOpsCall(handle, kReadGuards, container, [&](FSAAPI_CONTEXT* ctx, void* partner) {
        if (const FSA_STATUS s = FsaCheckAccess(ctx, FsaAccessSet::ReadWrite); s != FSA_STS_SUCCESS)
            return s;
        if (!container)
            return FSA_STS_BAD_ARGUMENTS;
        if (partner)
            return FsaMirror(partner, function, container, newContainer);
        if (ctx->connectionType == FSA_CONNECTION_REMOTE)
            return NetworkMirror();
        FSA_STATUS result;
        try {
            result = operate(ctx, handle, function, container, newContainer);
        } catch (FSA_STATUS failed) {
            result = failed;
        }
        // The caller's tag is rebuilt from its number whatever the outcome;
        // a failure to do so is reported only when nothing else failed.
        try {
            CT_GetStandardID(ctx, container, container->containerNumber);
        } catch (FSA_STATUS failed) {
            if (result == FSA_STS_SUCCESS)
                result = failed;
        }
        return result;
    });
}
}
