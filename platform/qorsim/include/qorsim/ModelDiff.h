// A structural comparison of two snapshots of a simulated adapter, object by
// object, and the restoring of a snapshot. Fields that only record the
// requests the controller saw or come from its clock are left out: rescan,
// claim and bus-reset records, SMART and block-read counters, defect-list
// reads, flash completions, battery writes, the configuration age, the task
// counter, the last host name, and a new disk set's number and stamp.
#pragma once

#include "qorsim/Model.h"

#include <string>
#include <vector>

namespace qorsim {

class Simulator;

struct Difference {
    std::string object; // "container 2", "partition 5", "drive 0:1:0", "disk set 100/4660", ...
    std::string field;
    std::string before;
    std::string after;
};

std::vector<Difference> compareModels(const Adapter& before, const Adapter& after);

// One line per difference: "container 2: type 1 -> 3".
std::string describeDifferences(const std::vector<Difference>& differences);

// Puts the adapter's model back as `snapshot` holds it; the driver's open
// descriptors and event channels stay as they are.
void restoreSnapshot(Simulator& sim, const Adapter& snapshot);

} // namespace qorsim
