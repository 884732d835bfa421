#pragma once

// Global and per-container cache settings, cache statistics, and cached data
// of containers that no longer exist.

#include "FsaTypes.h"

// Seven words: a further global value, the read and write cache sizes, their
// maxima and their minima.
struct FSA_GLOBAL_CACHE_PARAMS {
    std::uint32_t globalValue;
    std::uint32_t readSize;
    std::uint32_t writeSize;
    std::uint32_t readMax;
    std::uint32_t writeMax;
    std::uint32_t readMin;
    std::uint32_t writeMin;
};

// A container's cache settings: the read setting counts when its bit 0 is
// set, the write setting when its bit 0 or bit 1 is.
struct tag_FSA_CONTAINER_PARAMS {
    std::uint32_t readCache;
    std::uint32_t writeCache;
};

// Statistics output: this global part, then one record per reported container.
constexpr unsigned int FSA_CACHE_STATS_GLOBAL_BYTES = 76;
constexpr unsigned int FSA_CACHE_STATS_RECORD_BYTES = 92;

extern "C" {

FSA_STATUS FsaContainerSetGlobalCacheParams(void* handle, const FSA_GLOBAL_CACHE_PARAMS* params);
FSA_STATUS FsaContainerGetGlobalCacheParams(void* handle, FSA_GLOBAL_CACHE_PARAMS* params);
FSA_STATUS FsaContainerSetCacheParams(void* handle, const tag_FSA_CONTAINER* container,
                                      const tag_FSA_CONTAINER_PARAMS* params);
FSA_STATUS FsaContainerGetCacheParams(void* handle, const tag_FSA_CONTAINER* container,
                                      tag_FSA_CONTAINER_PARAMS* params);
// `*size` is the buffer's size in bytes and comes back as the size needed.
FSA_STATUS FsaGetContainerCacheStats(void* handle, const tag_FSA_CONTAINER* container,
                                     unsigned int request, unsigned int* size, void* buffer);
FSA_STATUS FsaReleaseContainerCache(void* handle, const tag_FSA_CONTAINER* container,
                                    unsigned int* released);
FSA_STATUS FsaFlushContainerCache(void* handle, const tag_FSA_CONTAINER* container);
// 1 (FSA_STS_SUCCESS) when cached raw data of containers that no longer
// exist was found (and, with `release`, released), 0
// (FSA_NO_ORPHAN_RAW_BUFFERS) when none, else the frame's status.
FSA_STATUS FsaAreThereOphanRawBuffers(void* handle, int release);
}

// The answer of FsaAreThereOphanRawBuffers when nothing was found: 0, a value
// that names no status.
constexpr FSA_STATUS FSA_NO_ORPHAN_RAW_BUFFERS{};
