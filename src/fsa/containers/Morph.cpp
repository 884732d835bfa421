// Online change of a container's type or size.
#include "FsaContainerOps.h"
#include "OpsFrame.h"
#include "Reconfiguration.h"
#include "Stubs.h"

extern "C" {

FSA_STATUS FsaMorphContainer(void* handle, const tag_FSA_CONTAINER* container,
                             std::uint32_t newType, unsigned int count,
                             const FSA_STORAGE_DEVICE* devices, unsigned int chunkBytes,
                             std::uint64_t sizeBytes, int add) {
    return FsaOpsCall(handle, kWriteGuards, container, [&](FSAAPI_CONTEXT* ctx, void* partner) {
        if (!container || (count && !devices))
            return FSA_STS_BAD_ARGUMENTS;
        // Volume sets and mirrors have no chunks.
        if (chunkBytes && (newType == 3 || newType == 1))
            return FSA_STS_CHUNK_NOT_FOR_TYPE;
        if (ctx->connectionType == FSA_CONNECTION_REMOTE)
            return NetworkMorphContainer();
        if (partner) {
            const auto copy =
                FsaCopyForPartner(handle, devices, count,
                                  [](FSA_STORAGE_DEVICE& d) -> FSA_STORAGE_DEVICE& { return d; });
            return FsaMorphContainer(partner, container, newType, count, copy.data(), chunkBytes,
                                     sizeBytes, add);
        }
        CT_MorphContainer(ctx, container, newType, count, devices, chunkBytes, sizeBytes, add);
        return FSA_STS_SUCCESS;
    });
}
}
