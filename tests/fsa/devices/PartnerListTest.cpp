// The sorted partition list of a clustered adapter also holds the partner's
// partitions, each on its drive as this adapter numbers it.
#include "ContainerCaches.h"
#include "ContainerCreation.h"
#include "CtChannel.h"
#include "PartnerFixture.h"
#include "SmallCommands.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// kCluster, with a partner disk on a bus this adapter does not see (2,1,0),
// and a second local disk (0,3,0).
const char* kClusterLists = R"({"adapters": [
  {"index": 0, "serial": 4660, "cluster": {"id": 5, "busMap": [1, 0]},
   "drives": [{"bus": 0, "target": 0}, {"bus": 0, "target": 3, "product": "LOCAL"}],
   "slices": [{"drive": 0}, {"drive": 3}],
   "diskSets": [{"number": 77, "creator": 1, "owner": 8738, "members": [0]}]},
  {"index": 2, "serial": 8738, "cluster": {"id": 5, "busMap": [1, 0]},
   "drives": [{"bus": 1, "target": 0, "product": "SEEN-BY-PARTNER"},
              {"bus": 1, "target": 3, "product": "PARTNER"},
              {"bus": 2, "target": 1, "product": "PARTNER-ONLY"}],
   "buses": 3,
   "slices": [{"drive": 128}, {"drive": 131}, {"drive": 257}]}
]})";

struct Seen {
    std::uint32_t drive;
    std::uint32_t clusterView;
};

class PartnerList : public fsatest::Partner {
protected:
    std::string config() const override { return kClusterLists; }
    std::vector<Seen> cache() {
        CT_InvalidateCache(ctx());
        std::uint32_t count = 0;
        const FSA_PARTITION_CACHE_ELEMENT* list = nullptr;
        EXPECT_EQ(CT_SrvUpdatePartitionList(handle, &count, &list), FSA_STS_SUCCESS);
        std::vector<Seen> seen;
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint32_t drive = 0;
            std::memcpy(&drive, list[i].partition.bytes + 40, 4);
            seen.push_back({drive, list[i].clusterView});
        }
        return seen;
    }
    static std::vector<std::uint32_t> drives(const std::vector<Seen>& seen) {
        std::vector<std::uint32_t> d;
        for (const Seen& s : seen)
            d.push_back(s.drive);
        return d;
    }
};

TEST_F(PartnerList, ThePartnersPartitionsJoinByDrive) {
    const std::vector<Seen> seen = cache();
    // Own (0, 3) and the partner's in its order: (1,0,0) -> 0, (1,3,0) -> 3,
    // (2,1,0) not visible here. At each step the lower drive goes first, the
    // partner's on a tie, an invisible drive counting as -1.
    EXPECT_EQ(drives(seen), (std::vector<std::uint32_t>{0, 0, 3, 0xFFFFFFFFu, 3}));
    ASSERT_EQ(seen.size(), 5u);
    const std::uint32_t partner = 0, own = 0xFFFFFFFFu;
    EXPECT_EQ(seen[0].clusterView, partner);
    EXPECT_EQ(seen[1].clusterView, own);
    EXPECT_EQ(seen[2].clusterView, partner);
    EXPECT_EQ(seen[3].clusterView, partner);
    EXPECT_EQ(seen[4].clusterView, own);
}

TEST_F(PartnerList, WithoutOwnPartitionsThePartnersListIsTheCache) {
    sim.update(0, [](qorsim::Adapter& a) { a.slices.clear(); });
    EXPECT_EQ(drives(cache()), (std::vector<std::uint32_t>{0, 3, 0xFFFFFFFFu}));
}

TEST_F(PartnerList, APartnerThatCannotAnswerLeavesTheOwnList) {
    qorsim::Fault f;
    f.adapter = 2;
    f.ctCommand = 11; // READ_CONFIG_AGE, the first read of the partner's list
    f.error = EIO;
    sim.inject(f);
    EXPECT_EQ(drives(cache()), (std::vector<std::uint32_t>{0, 3}));

    ctx()->partnerHandle = 0;
    EXPECT_EQ(drives(cache()), (std::vector<std::uint32_t>{0, 3}));
}

// kClusterLists, the partner's container 0 on its disk (2,1,0), which this
// adapter does not see.
const char* kPartnersNumber = R"({"adapters": [
  {"index": 0, "serial": 4660, "cluster": {"id": 5, "busMap": [1, 0]},
   "containers": {"count": 8},
   "drives": [{"bus": 0, "target": 0}, {"bus": 0, "target": 3, "product": "LOCAL"}],
   "slices": [{"drive": 0}, {"drive": 3}],
   "diskSets": [{"number": 77, "creator": 1, "owner": 8738, "members": [0]}]},
  {"index": 2, "serial": 8738, "cluster": {"id": 5, "busMap": [1, 0]},
   "containers": {"count": 8, "list": [{"number": 0, "type": 1, "members": [0]}]},
   "drives": [{"bus": 1, "target": 0, "product": "SEEN-BY-PARTNER"},
              {"bus": 1, "target": 3, "product": "PARTNER"},
              {"bus": 2, "target": 1, "product": "PARTNER-ONLY"}],
   "buses": 3,
   "slices": [{"drive": 128}, {"drive": 131}, {"drive": 257}],
   "partitions": [{"start": 128, "size": 65536, "serial": 8738, "slice": 2, "l0Type": 1,
                   "l0Number": 0, "l0Members": 1, "flags": 1}]}
]})";

class PartnerNumbers : public PartnerList {
protected:
    std::string config() const override { return kPartnersNumber; }
};

// A search over every disk must see the partner's numbers: with the
// partner's list unread it is read once more, and still unread the search
// fails with 39 rather than hand out a number the partner may use. A search
// of this adapter's disks does without the partner's list.
TEST_F(PartnerNumbers, ASearchOverEveryDiskNeedsThePartnersList) {
    constexpr std::uint32_t kUnread = 39;
    const struct {
        const char* what;
        int unreadTimes; // reads of the partner's list that fail
        std::uint32_t everyDisk, localDisks;
    } cases[] = {
        {"the partner's list read", 0, 1, 0},
        {"the partner's list unread once", 1, 1, 0},
        {"the partner's list unread", 1000, kUnread, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const int localOnly : {0, 1}) {
            SCOPED_TRACE(localOnly ? "local disks" : "every disk");
            sim.clearFaults();
            if (c.unreadTimes) {
                qorsim::Fault f;
                f.adapter = 2;
                f.ctCommand = 11; // READ_CONFIG_AGE, the first read of the partner's list
                f.error = EIO;
                f.times = c.unreadTimes;
                sim.inject(f);
            }
            CT_InvalidateCache(ctx());
            std::uint32_t found = 0;
            try {
                found = CT_GetNextFreeContainer(ctx(), 0, localOnly);
            } catch (FSA_STATUS s) {
                found = s;
            }
            EXPECT_EQ(found, localOnly ? c.localDisks : c.everyDisk);
        }
    }
    sim.clearFaults();
}

} // namespace
