#pragma once

// The frame of the container exports: the exported-call frame, then the
// partner's handle when the container belongs to the cluster partner.

#include "Frame.h"
#include "HandleTable.h"
#include "ParamChecks.h"
#include "PartnerRedirect.h"

// Container-state masks (high word : low word of the state check's mask).
constexpr std::uint64_t CT_STATES(std::uint32_t high, std::uint32_t low) {
    return std::uint64_t{high} << 32 | low;
}

// A host-layer or command status other than 1 ends the operation.
inline void FsaOk(FSA_STATUS s) {
    if (s != FSA_STS_SUCCESS)
        throw s;
}

// Whether the container is in any of the states (the state check's verdict).
inline bool CT_IsIn(FSAAPI_CONTEXT* ctx, std::uint32_t n, std::uint64_t states) {
    return PCK_ContainerIs(ctx, n, states, FSA_RETURN_ON_FAILURE);
}

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
