#pragma once

// A disk set with its containers: attached to the host together, detached
// together.

#include "Context.h"
#include "DiskSetRecords.h"
#include "FsaMaintenance.h"
#include "HostExposure.h"

#include <vector>

// The numbers of the containers whose partitions lie in the set (0-23, or
// 0-63 with the hidden ones).
std::vector<std::uint32_t> DS_GetContainersByDiskSet(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set,
                                                     bool hidden);
// The same for flows that take the containers away with the set, from
// confirmed answers only: the set's list of members is read (its failure
// thrown), and a disk that may hold the set but could not be read, a slice
// described as nothing, or a member drive that reads as in no set throws
// 39 after one more reading rather than count as holding nothing.
std::vector<std::uint32_t> DS_GetEveryContainerOfDiskSet(FSAAPI_CONTEXT* ctx,
                                                         const FSA_DISK_SET* set, bool hidden);
// Containers online and exposed to the host once the set is attached.
FSA_STATUS DS_ResourceOnline(FSAAPI_CONTEXT* ctx, void* handle, const FSA_DISK_SET* set,
                             const DS_RECORD& info);
// The host has let go of the containers: each is lock-drained, the set
// detached and each container taken offline (also when the detach fails,
// which also reconfigures); the host's removals are completed, as failed when
// the detach failed or anything threw. The detach's status.
FSA_STATUS DS_DetachContainers(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, std::uint64_t owner,
                               const std::vector<std::uint32_t>& containers,
                               std::vector<FsaRemovalRecord>& records);
// The host lets go of the set's containers, then the set is detached with
// them.
FSA_STATUS DS_ResourceOffline(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, const DS_RECORD& info,
                              bool unconditional);
