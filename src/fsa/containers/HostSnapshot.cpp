#include "HostSnapshot.h"

#include "ContainerOperations.h"

#include <unistd.h>

void faos_TakeContainerSnapshot(FSAAPI_CONTEXT* ctx, FAOS_SNAPSHOT_TYPE type, const FAOS_COW_INFO*,
                                int, const tag_FSA_CONTAINER* source,
                                const tag_FSA_CONTAINER* target) {
    if (type != FAOS_SNAPSHOT_SPLIT && type != FAOS_SNAPSHOT_SPLIT_TWO)
        throw FSA_STS_NOT_SUPPORTED;
    ::sync();
    ::sync();
    if (type == FAOS_SNAPSHOT_SPLIT)
        CT_Split(ctx, source->containerNumber, target->containerNumber);
    else
        CT_SplitTwo(ctx, source->containerNumber, target->containerNumber);
}
