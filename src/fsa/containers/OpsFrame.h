#pragma once

// The frame of the container exports: the exported-call frame, then the
// partner's handle when the container belongs to the cluster partner.

#include "Frame.h"
#include "HandleTable.h"
#include "PartnerRedirect.h"

constexpr FsaGuards kReadGuards{FsaAccessSet::ReadOnly, true, true};
constexpr FsaGuards kWriteGuards{FsaAccessSet::ReadWrite, true, true};

// Runs `work(ctx, partner)`; `partner` is the partner adapter's handle when
// `container` belongs to it (the call is then to be made there), else null.
template <class Work>
FSA_STATUS FsaOpsCall(void* handle, FsaGuards guards, const tag_FSA_CONTAINER* container,
                      Work&& work) {
    return FsaExportedCall(handle, guards, [&](FSAAPI_CONTEXT* ctx) -> FSA_STATUS {
        const std::uint32_t partner = CTR_GET_RELEVANT_HANDLE(ctx, container);
        return work(ctx, partner ? UtilHandleFromValue(partner) : nullptr);
    });
}
