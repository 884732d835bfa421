// The exported sorted partition list: built fresh for the caller, who owns
// it (free()).
#include "ContainerCaches.h"
#include "Frame.h"
#include "FsaApi.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

extern "C" FSA_STATUS FsaGetSortedPartitionList(void* handle, unsigned int* count,
                                                FSA_PARTITION_CACHE_ELEMENT** list) {
    if (count)
        *count = 0;
    if (list)
        *list = nullptr;
    return FsaExportedCall(
        handle, {FsaAccessSet::ReadOnly, false, false}, [&](FSAAPI_CONTEXT* ctx) {
            if (!count || !list)
                return FSA_STS_BAD_ARGUMENTS;
            if (ctx->connectionType != FSA_CONNECTION_LOCAL)
                return FSA_STS_NOT_AVAILABLE_ON_OS;
            const PceList built = CT_GetSortedPartitionList(ctx);
            auto* out = static_cast<FSA_PARTITION_CACHE_ELEMENT*>(std::malloc(
                std::max<std::size_t>(1, built.size()) * sizeof(FSA_PARTITION_CACHE_ELEMENT)));
            if (!out)
                return FSA_STS_OUT_OF_MEMORY;
            if (!built.empty())
                std::memcpy(out, built.data(), built.size() * sizeof(FSA_PARTITION_CACHE_ELEMENT));
            *list = out;
            *count = static_cast<unsigned int>(built.size());
            return FSA_STS_SUCCESS;
        });
}
