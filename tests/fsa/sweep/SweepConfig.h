#pragma once

// The configuration the sweep's scenarios start from, and the arguments
// that address its objects.

#include "FsaCache.h"
#include "FsaContainerOps.h"
#include "FsaDevices.h"
#include "FsaMaintenance.h"
#include "FsaSnapshot.h"
#include "ParamChecks.h"
#include "SweepEngine.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cctype>
#include <cstring>

namespace fsasweep {

// Six drives on bus 0 (targets 0-5, internal ids 0-5) and three on the
// shared bus 1 (ids 128-130), each a disk of 200000 blocks the controller
// lays out. Container 1 is a volume on disk 0, container 2 a volume of the
// same size on disk 1, container 3 a mirror on disks 2 and 3; the host
// knows all three. Disks 4 and 5 are free; disk set 100, held here, has
// drives 1:0 and 1:1; drive 1:2 is free. NVRAM, flash and cache hold small,
// distinct contents.
inline const char* kBase = R"({"adapters": [{"index": 0, "serial": 9, "info": {"options": 5},
  "drives": [{"bus": 0, "target": 0}, {"bus": 0, "target": 1}, {"bus": 0, "target": 2},
             {"bus": 0, "target": 3}, {"bus": 0, "target": 4}, {"bus": 0, "target": 5},
             {"bus": 1, "target": 0}, {"bus": 1, "target": 1}, {"bus": 1, "target": 2}],
  "slices": [{"size": 200000, "drive": 0}, {"size": 200000, "drive": 1},
             {"size": 200000, "drive": 2}, {"size": 200000, "drive": 3},
             {"size": 200000, "drive": 4}, {"size": 200000, "drive": 5},
             {"size": 200000, "drive": 128}, {"size": 200000, "drive": 129},
             {"size": 200000, "drive": 130}],
  "partitions": [{"start": 0, "size": 10, "serial": 9, "slice": 98},
                 {"start": 128, "size": 65536, "serial": 9, "slice": 0, "l0Type": 1,
                  "l0Number": 1, "l0Members": 1, "flags": 1},
                 {"start": 128, "size": 65536, "serial": 9, "slice": 1, "l0Type": 1,
                  "l0Number": 2, "l0Members": 1, "flags": 1},
                 {"start": 128, "size": 65536, "serial": 9, "slice": 2, "l0Type": 2,
                  "l0Number": 3, "l0Members": 2, "flags": 1, "mirrorKind": 2},
                 {"start": 128, "size": 65536, "serial": 9, "slice": 3, "l0Type": 2,
                  "l0Number": 3, "l0Members": 2, "memberIndex": 1, "flags": 1,
                  "mirrorKind": 2}],
  "containers": {"count": 32, "firstHidden": 24,
                 "list": [{"number": 1, "type": 1, "members": [1], "label": "alpha"},
                          {"number": 2, "type": 1, "members": [2], "label": "beta"},
                          {"number": 3, "type": 2, "members": [3, 4], "label": "gamma"}]},
  "hostDisks": [{"container": 1, "instance": 2, "target": 1, "name": "sdb"},
                {"container": 2, "instance": 2, "target": 2, "name": "sdc"},
                {"container": 3, "instance": 2, "target": 3, "name": "sdd"}],
  "diskSets": [{"number": 100, "creator": 9, "label": "kept", "owner": 9, "flags": 4,
                "members": [128, 129]}],
  "cluster": {"name": "nodeA", "id": 77, "sharedMask": 2},
  "nvram": {"state": 1, "battery": 3, "word107": 107, "word108": 108},
  "flash": {"identity": [1, 2, 3, 4], "biosBytes": 4096, "firmwareBytes": 8192},
  "cache": {"slots": [{"container": 1, "words": {"2": 4}}]}}]})";

constexpr std::uint32_t kSerial = 9;
constexpr std::uint64_t kBlock = 512;

inline tag_FSA_CONTAINER container(std::uint32_t n) {
    return tag_FSA_CONTAINER{n, 0, kSerial};
}

inline FSA_STORAGE_DEVICE drive(std::uint8_t target, std::uint8_t bus = 0) {
    FSA_STORAGE_DEVICE d{};
    d.scsi.bus = bus;
    d.scsi.target = target;
    d.scsi.adapterSerial = kSerial;
    return d;
}

// Free space on a disk, in blocks from the start of the disk.
inline FSA_STORAGE_DEVICE_SPACE space(std::uint8_t target, std::uint64_t startBlock,
                                      std::uint64_t blocks) {
    FSA_STORAGE_DEVICE_SPACE s{};
    s.device = drive(target);
    s.offset = startBlock * kBlock;
    s.size = blocks * kBlock;
    return s;
}

// Adds to the base, for each of `containers` ({number, type, slices}), a
// container of one partition per slice (members at entries 5 on), and on
// a disk this adapter does not reach (slice 9) a partition of the cluster
// partner's container `partners`. Containers on slices 6 and 7 sit on the
// held set's drives 1:0 and 1:1: a shared bus.
struct ExtraContainer {
    std::uint32_t number, type;
    std::vector<std::uint32_t> slices;
};
inline std::string withPartnerContainer(const std::vector<ExtraContainer>& containers,
                                        std::uint32_t partners) {
    nlohmann::json j = nlohmann::json::parse(kBase);
    nlohmann::json& a = j["adapters"][0];
    a["slices"].push_back({{"size", 200000}, {"drive", 0xFFFFFFFFu}});
    auto partition = [&a](std::uint32_t number, std::uint32_t type, std::uint32_t slice,
                          std::size_t members, std::size_t index) {
        a["partitions"].push_back({{"start", 128},
                                   {"size", 65536},
                                   {"serial", kSerial},
                                   {"slice", slice},
                                   {"l0Type", type},
                                   {"l0Number", number},
                                   {"l0Members", members},
                                   {"memberIndex", index},
                                   {"flags", 1},
                                   {"mirrorKind", type == 2 ? 2 : 0}});
        return a["partitions"].size() - 1;
    };
    for (const ExtraContainer& c : containers) {
        nlohmann::json entries = nlohmann::json::array();
        for (std::size_t i = 0; i < c.slices.size(); ++i)
            entries.push_back(partition(c.number, c.type, c.slices[i], c.slices.size(), i));
        a["containers"]["list"].push_back(
            {{"number", c.number}, {"type", c.type}, {"members", entries}});
        a["hostDisks"].push_back(
            {{"container", c.number}, {"instance", 2}, {"target", c.number}, {"name", "sdx"}});
    }
    partition(partners, 1, 9, 1, 0);
    return j.dump();
}

// A container's record read (GET_CONTAINER_INFO) and the pieces of its
// long answer (CONTINUE_DATA, STOP_DATA).
inline const std::vector<int> kRecordReads = {178, 83, 84};

inline FSA_DISK_SET diskSet(std::uint64_t number, std::uint64_t creator = kSerial) {
    FSA_DISK_SET s{};
    s.number = number;
    s.creator = creator;
    return s;
}

inline void PrintTo(const Row& row, std::ostream* out) {
    *out << row.name;
}

// A table of rows as GoogleTest parameters, named after the rows.
struct RowName {
    std::string operator()(const ::testing::TestParamInfo<Row>& info) const {
        std::string name;
        for (char c : info.param.name)
            name.push_back(std::isalnum(static_cast<unsigned char>(c)) ? c : '_');
        return name;
    }
};

class SweepTest : public ::testing::TestWithParam<Row> {
protected:
    void sweep() { sweepRow(GetParam()); }
};

} // namespace fsasweep
