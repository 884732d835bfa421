#include "HiddenMembers.h"

#include "ContainerCreation.h"
#include "ContainerOperations.h"
#include "HostExposure.h"
#include "OpsFrame.h"

std::uint32_t HiddenMembers::hide(std::uint32_t n, int localOnly) {
    m_members.push_back({n, n, false});
    Member& m = m_members.back();
    FsaRemovalRecord record;
    FsaOk(FsaPrepareCtrForRemoval(m_ctx, n, 1, 0, &record));
    const std::uint32_t top = CT_GetNextFreeContainer(m_ctx, 1, localOnly);
    if (top > n) {
        // Moved in spite of a failed answer, it is moved back with the
        // others: the failure still ends the call.
        const FSA_STATUS moved = CT_MoveContainerChecked(m_ctx, n, top);
        m.hiddenAs = top;
        FsaOk(moved);
    }
    // The host lets go of the disk it knew under the old number. Should that
    // fail half-way, putting the member back gives the disk back as well.
    m.released = true;
    FsaOk(FsaCtrRemovalComplete(m_ctx, n, 0, std::move(record)));
    return m.hiddenAs;
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
