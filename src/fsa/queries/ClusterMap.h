#pragma once

// The cluster partner's view of the local buses.

#include "Context.h"
#include "FsaMaintenance.h"

#include <cstdint>

struct FSA_CLUSTER_CONFIG_ENTRY {
    std::uint64_t clusterId;
    std::uint8_t partnerBus;
};

bool IsAdapterClustering(void* handle);
FSA_STATUS GetMyConfig(void* handle, FSA_CLUSTER_CONFIG_ENTRY* entries, std::uint32_t count,
                       void* unused, std::uint32_t* out);
