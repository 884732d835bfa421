#pragma once

// What the disk-set rows share: the operation on set 100 and the
// configurations around it.
#include "SweepConfig.h"

#include <nlohmann/json.hpp>

namespace fsasweep {

inline const std::vector<std::string> kSet100 = {"disk set 100/9"};

// FsaDiskSet operation `op` on set 100 with the arguments `fill` writes;
// result flags come back as withResultFlags makes them.
inline Row setOperation(const std::string& name, std::uint32_t op,
                        std::function<void(FSA_DISK_SET_ARGS&)> fill,
                        std::vector<std::string> touches, std::string config = kBase) {
    return row(
        name, std::move(config),
        [op, fill](void* h) {
            FSA_DISK_SET set = diskSet(100);
            auto args = std::make_unique<FSA_DISK_SET_ARGS>();
            std::memset(args.get(), 0, sizeof *args);
            if (fill)
                fill(*args);
            const FSA_STATUS status = FsaDiskSet(h, &set, op, args.get());
            return withResultFlags(status, op == FSA_DSO_ADD      ? args->add.resultFlags
                                           : op == FSA_DSO_REMOVE ? args->remove.resultFlags
                                                                  : 0);
        },
        std::move(touches));
}

// A set that is attached here: flag 32, as the attach leaves it.
inline void attached(qorsim::Adapter& a) {
    a.maint.diskSets.at(0).flags |= 32;
}

// The base with set 100 attached here and holding container 4, a volume on
// drive 1:0 (slice 6) that the host knows as its disk 4.
inline std::string setWithContainer() {
    nlohmann::json j = nlohmann::json::parse(kBase);
    nlohmann::json& a = j["adapters"][0];
    a["partitions"].push_back({{"start", 128},
                               {"size", 65536},
                               {"serial", kSerial},
                               {"slice", 6},
                               {"l0Type", 1},
                               {"l0Number", 4},
                               {"l0Members", 1},
                               {"flags", 1}});
    a["containers"]["list"].push_back(
        {{"number", 4}, {"type", 1}, {"members", {5}}, {"label", "delta"}});
    a["hostDisks"].push_back({{"container", 4}, {"instance", 2}, {"target", 4}, {"name", "sde"}});
    a["diskSets"][0]["flags"] = 36;
    return j.dump();
}

} // namespace fsasweep
