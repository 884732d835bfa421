#pragma once

// Disk sets held by the cluster partner's adapter: the operation is made
// again there, with the drives named as the partner sees them.

#include "Context.h"
#include "DiskSetRecords.h"
#include "FsaMaintenance.h"

#include <cstdint>

// The operation on the partner's handle: drive records mapped to its bus
// numbering (430, 431, 432 for create, add, remove when one cannot be), its
// result flags copied back; on success this side rescans its sets.
FSA_STATUS DS_ForwardToPartner(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, std::uint32_t op,
                               FSA_DISK_SET_ARGS* args);
// The partner adapter, when there is one, looks at its sets again.
void DS_RescanPartner(FSAAPI_CONTEXT* ctx, std::uint32_t what);
// A set held by another node is not this node's to change: the partner's
// goes to the partner, anyone else's gives 434, and so does a set owned by
// nobody when `ownerNeeded`. True when the answer is in `*result`.
bool DS_PartnerRule(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, std::uint32_t op,
                    FSA_DISK_SET_ARGS* args, const DS_RECORD& rec, bool ownerNeeded,
                    FSA_STATUS* result);
