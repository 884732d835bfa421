#pragma once

// The host's part in splitting a mirror or taking a snapshot: its file
// buffers are flushed before the controller splits.

#include "Context.h"

#include <cstdint>

enum FAOS_SNAPSHOT_TYPE : std::uint32_t {
    FAOS_SNAPSHOT_SPLIT = 2,     // single-level mirror
    FAOS_SNAPSHOT_SPLIT_TWO = 3, // mirror of containers
    FAOS_SNAPSHOT_COW = 4,       // copy-on-write
};

struct FAOS_COW_INFO {
    std::uint32_t sparse;
    std::uint32_t chunkBlocks;
    std::uint32_t hiddenNumber;
    std::uint32_t hostFlag;
};

// Types other than the two splits throw 31.
void faos_TakeContainerSnapshot(FSAAPI_CONTEXT* ctx, FAOS_SNAPSHOT_TYPE type,
                                const FAOS_COW_INFO* cow, int unused,
                                const tag_FSA_CONTAINER* source, const tag_FSA_CONTAINER* target);
