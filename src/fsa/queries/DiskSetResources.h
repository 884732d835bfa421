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
// described as nothing, a member drive that reads as in no set, or a drive
// whose answer names the set but disagrees with `record` (the set's own
// record) throws 39 after one more reading rather than count as holding
// nothing.
std::vector<std::uint32_t> DS_GetEveryContainerOfDiskSet(FSAAPI_CONTEXT* ctx,
                                                         const FSA_DISK_SET* set,
                                                         const DS_RECORD& record, bool hidden);
// Containers online and exposed to the host once the set is attached.
FSA_STATUS DS_ResourceOnline(FSAAPI_CONTEXT* ctx, void* handle, const FSA_DISK_SET* set,
                             const DS_RECORD& info);
// What a refused detach leaves: the lock-drains undone (the set stays
// attached with its containers as they were), or every container offline
// with the host's removals completed as failed and the controller
// reconfigured (disk-set delete).
enum class DS_FailedDetach { Undo, KeepOffline };
// The host has let go of the containers: each is lock-drained, the set
// detached and each container taken offline, the host's removals completed.
// A failed lock-drain undoes the lock-drains before it and is thrown; a
// refused detach is returned, with what `onFailure` says. Once the set is
// detached, every container is still taken offline and its removal
// completed, and the first failure is thrown: the detach stays.
FSA_STATUS DS_DetachContainers(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, std::uint64_t owner,
                               const std::vector<std::uint32_t>& containers,
                               std::vector<FsaRemovalRecord>& records, DS_FailedDetach onFailure);
// The host lets go of the set's containers, then the set is detached with
// them (undone when the detach is refused). Without `unconditional` a
// container the host cannot let go of refuses the call with nothing
// changed: 480 when the host has its disk open, else 451; with it, the
// failure is logged and the set goes all the same.
FSA_STATUS DS_ResourceOffline(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, const DS_RECORD& info,
                              bool unconditional);
