#include "HiddenMembers.h"

#include "ContainerCreation.h"
#include "ContainerOperations.h"
#include "CtWrappers.h"
#include "HostExposure.h"
#include "OpsFrame.h"

std::uint32_t HiddenMembers::hide(std::uint32_t n) {
    m_members.push_back({n, n, false});
    Member& m = m_members.back();
    FsaRemovalRecord record;
    FsaOk(FsaPrepareCtrForRemoval(m_ctx, n, 1, 0, &record));
    const std::uint32_t top = CT_GetNextFreeContainer(m_ctx, 1, m_local);
    // The host lets go of the number it knew before the move.
    FsaOk(FsaCtrRemovalComplete(m_ctx, n, 0, std::move(record)));
    m.released = true;
    if (top > n) {
        try {
            CT_MoveContainer(m_ctx, n, top);
        } catch (FSA_STATUS) {
            // An answer the library cannot read may come after the move was
            // made: a container found under its new number alone is moved
            // back with the others.
            if (movedTo(top, n))
                m.hiddenAs = top;
            throw;
        }
        m.hiddenAs = top;
    }
    return m.hiddenAs;
}

bool HiddenMembers::movedTo(std::uint32_t to, std::uint32_t from) const noexcept {
    try {
        return CT_CheckConflicts(m_ctx, to) && !CT_CheckConflicts(m_ctx, from);
    } catch (FSA_STATUS) {
        return false;
    }
}

void HiddenMembers::restore() noexcept {
    for (auto m = m_members.rbegin(); m != m_members.rend(); ++m) {
        try {
            if (m->hiddenAs != m->number)
                CT_MoveContainer(m_ctx, m->hiddenAs, m->number);
            if (m->released)
                FsaExposeCtrToOs(m_ctx, m->number, 0);
        } catch (...) {
            // The next member is still put back.
        }
    }
    m_members.clear();
}
