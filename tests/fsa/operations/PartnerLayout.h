#pragma once

// Layouts for the container-number tests on a shared bus: the cluster
// partner's container on a drive this adapter does not reach.

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#include "qorsim/Simulator.h"

namespace fsatest {

// `base` with slice `slice` added on a drive this adapter does not reach,
// carrying a partition of the partner's container `number`. With `held` the
// drives `members` form a disk set held here: a shared bus.
inline std::string withPartnersContainer(const char* base, std::uint32_t slice,
                                         std::uint32_t number,
                                         const std::vector<std::uint32_t>& members, bool held) {
    nlohmann::json j = nlohmann::json::parse(base);
    nlohmann::json& a = j["adapters"][0];
    a["slices"].push_back({{"size", 200000}, {"drive", 0xFFFFFFFFu}});
    a["partitions"].push_back({{"start", 128},
                               {"size", 65536},
                               {"serial", 9},
                               {"slice", slice},
                               {"l0Type", 1},
                               {"l0Number", number},
                               {"l0Members", 1},
                               {"flags", 1}});
    a["diskSets"] = {{{"number", 5},
                      {"creator", 9},
                      {"owner", 9},
                      {"flags", held ? 4 : 0},
                      {"members", members}}};
    return j.dump();
}

// No drive's disk-set information can be read: the bus may be shared.
inline void failDiskSetReads(qorsim::Simulator& sim) {
    qorsim::Fault f;
    f.fibCommand = 550;
    f.clusterCommand = 12; // the drive's disk-set information
    f.error = EIO;
    f.times = 1000;
    sim.inject(f);
}

} // namespace fsatest
