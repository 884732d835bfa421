// Building a stripe set or volume set out of existing containers.
#include "ContainerCaches.h"
#include "ContainerCreation.h"
#include "ContainerDispatch.h"
#include "ContainerOperations.h"
#include "CtChannel.h"
#include "CtWrappers.h"
#include "FsaMaintenance.h"
#include "HiddenMembers.h"
#include "HostExposure.h"
#include "IdentityCommands.h"
#include "OpsFrame.h"
#include "OsTypes.h"
#include "ParamChecks.h"
#include "SmallCommands.h"
#include "Stubs.h"
#include "Trace.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

FSA_STATUS VerifySourceContainers(FSAAPI_CONTEXT* ctx, std::uint32_t type, std::uint32_t count,
                                  const tag_FSA_CONTAINER* members) {
    const std::uint64_t refused = CT_STATES(0, type == 3 ? 0x4000404C : 0x4000400C);
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint32_t n = members[i].containerNumber;
        if (!CT_CheckConflicts(ctx, n) || PCK_ContainerIs(ctx, n, refused, FSA_RETURN_ON_FAILURE))
            return FSA_STS_MEMBER_NOT_VALID;
    }
    return FSA_STS_SUCCESS;
}

FSA_STATUS FinishCreateSecondaryContainer(FSAAPI_CONTEXT* ctx, void* handle, tag_FSA_CONTAINER* out,
                                          std::uint32_t type, const char* name, std::uint32_t count,
                                          const tag_FSA_CONTAINER* members, std::uint32_t size) {
    if (!count)
        return FSA_STS_BAD_ARGUMENTS;
    if (const std::uint32_t partner = CTR_GET_RELEVANT_HANDLE(ctx, &members[0]))
        return FsaCreateSecondaryContainer(UtilHandleFromValue(partner), out, type, name, count,
                                           members, size);
    if (type != 2 && type != 3 && type != 4)
        return FSA_STS_BAD_CONTAINER_TYPE;
    if (count > ctx->info.maxContainerMembers)
        return FSA_STS_TOO_MANY_MEMBERS;
    // A container named twice would be moved out of sight once and then be
    // missing: refused before any member leaves the host.
    for (std::uint32_t i = 0; i < count; ++i)
        for (std::uint32_t j = i + 1; j < count; ++j)
            if (members[i].containerNumber == members[j].containerNumber)
                return FSA_STS_MEMBER_NOT_VALID;
    for (std::uint32_t i = 0; i < count; ++i)
        PCK_ThrowIfContainerIs(ctx, members[i].containerNumber, CT_STATES(0, 0x4000404C));
    // The controller builds no RAID-5 set out of containers: refused before
    // the members leave the host.
    if (type == 4)
        return FSA_STS_CREATE_INTERNAL_ERROR;
    std::vector<std::uint32_t> numbers;
    std::vector<int> memberLocalOnly;
    try {
        numbers.reserve(count);
        memberLocalOnly.reserve(count);
    } catch (const std::bad_alloc&) {
        return FSA_STS_OUT_OF_MEMORY;
    }
    // A member on a shared bus hides at a number free on the partner's disks
    // too; the new container, over all members, takes one as well.
    for (std::uint32_t i = 0; i < count; ++i)
        memberLocalOnly.push_back(CT_SearchesEveryDisk(ctx, members[i]) ? 0 : 1);
    const int localOnly = *std::min_element(memberLocalOnly.begin(), memberLocalOnly.end());
    const std::uint32_t lowestBefore = CT_GetNextFreeContainer(ctx, 0, localOnly);
    std::uint32_t smallestMember = 0xFFFFFFFF;
    HiddenMembers hidden(ctx);
    std::uint32_t n = 0;
    try {
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t member = members[i].containerNumber;
            smallestMember = std::min(smallestMember, member);
            numbers.push_back(hidden.hide(member, memberLocalOnly[i]));
        }
        CT_InvalidateCache(ctx);
        const std::uint32_t lowestNow = CT_GetNextFreeContainer(ctx, 0, localOnly);
        n = std::min(lowestNow, smallestMember);
        if (ctx->info.osType == kOsType3)
            n = lowestBefore;
        else if (ctx->info.osType == kOsW2K)
            n = lowestNow;
        try {
            CT_GenerateSecondary(ctx, n, type, numbers.data(), count, size);
        } catch (FSA_STATUS) {
            // An answer the library cannot read may come after the
            // controller made the container (the number was free before):
            // found, it stands; moving its members back would leave it
            // without them.
            if (!CT_CheckConflicts(ctx, n))
                throw;
        }
    } catch (...) {
        hidden.restore();
        throw;
    }
    // From here the new container stands; it stays whatever follows.
    CT_ClearFileSystem(ctx, n, 0);
    if (name)
        FsaOk(CT_SetNameText(ctx, n, name));
    FsaOk(FsaExposeCtrToOs(ctx, n, 0));
    CT_GetStandardID(ctx, out, n);
    (void)handle;
    return FSA_STS_SUCCESS;
}

} // namespace

extern "C" {

FSA_STATUS FsaCreateSecondaryContainer(void* handle, tag_FSA_CONTAINER* newContainer,
                                       std::uint32_t type, const char* name, unsigned int count,
                                       const tag_FSA_CONTAINER* members, unsigned int size) {
    return FsaOpsCall(handle, kWriteGuards, nullptr, [&](FSAAPI_CONTEXT* ctx, void*) {
        if (!newContainer || (count && !members))
            return FSA_STS_BAD_ARGUMENTS;
        FsaOk(CheckMContainerValidity(handle, members, count, type));
        if (ctx->connectionType == FSA_CONNECTION_REMOTE)
            return NetworkCreateSecondaryContainer();
        const std::uint32_t os = ctx->info.osType;
        if (os == kOsType3)
            FsaOk(VerifySourceContainers(ctx, type, count, members));
        if (type == 2 || type == 4) {
            std::uint32_t firstSize = 0;
            for (std::uint32_t i = 0; i < count; ++i) {
                cttype record{};
                std::uint32_t t = 0;
                CT_GetContainer(ctx, members[i].containerNumber, &record, &t);
                if (i == 0)
                    firstSize = record.words[0];
                else if (record.words[0] != firstSize) {
                    UtilPrintDebugFormatted(
                        "CT_GenerateSecondary: Sizes of primary containers are different\n");
                    return FSA_STS_MEMBER_SIZES_DIFFER;
                }
            }
        }
        const bool unix = FsaIsUnixOS(os) != 0;
        if (os == kOsType3 || unix) {
            for (std::uint32_t i = 0; i < count; ++i) {
                std::uint32_t usage = 0;
                FsaOk(FsaGetContainerUsage(handle, &members[i], &usage));
                if (unix && usage == 13)
                    return FSA_STS_MEMBER_OPEN;
                if (unix && usage == 16)
                    return FSA_STS_MEMBER_NOT_VALID;
                if (os == kOsType3 && usage != 0 && usage != 4)
                    return FSA_STS_MEMBER_IN_USE;
                if (PCK_ContainerIs(ctx, members[i].containerNumber, CT_STATES(0, 0x40000000),
                                    FSA_RETURN_ON_FAILURE))
                    return FSA_STS_MEMBER_RECONFIGURING;
            }
        }
        return FinishCreateSecondaryContainer(ctx, handle, newContainer, type, name, count, members,
                                              size);
    });
}
}
