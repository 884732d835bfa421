#pragma once

// What the simulated controller was sent, one field of each journal entry.

#include "qorsim/Simulator.h"

#include <vector>

namespace fsatest {

// The container sub-commands (or, with `scsi`, the SCSI sub-operations) sent
// since the journal was last cleared.
inline std::vector<int> sentOperations(const qorsim::Simulator& sim, bool scsi = false) {
    std::vector<int> out;
    for (const auto& e : sim.journal()) {
        const int op = scsi ? e.scsiOperation : e.ctCommand;
        if (op >= 0)
            out.push_back(op);
    }
    return out;
}

} // namespace fsatest
