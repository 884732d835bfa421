// Containers destroyed or only degraded by removing disks.
#include "DeleteByDisk.h"
#include "FsaApi.h"
#include "HandleTable.h"
#include "SimFixture.h"

#include <vector>

namespace {

// Stripe 0 and mirror 2 over disks 0 and 1; volume 5 on disk 2 only.
const char* kLayout = R"({"adapters": [{"index": 0, "serial": 9, "containers": {"count": 8,
   "list": [{"number": 0, "type": 3, "members": [1, 2]}, {"number": 2, "type": 2, "members": [3, 4]},
            {"number": 5, "type": 1, "members": [5]}]},
  "slices": [{"size": 10128, "drive": 0}, {"size": 10128, "drive": 1}, {"size": 10128, "drive": 2}],
  "partitions": [{"start": 0, "slice": 99},
    {"start": 128, "size": 1000, "serial": 9, "slice": 0, "l0Type": 3, "l0Number": 0, "flags": 1},
    {"start": 128, "size": 1000, "serial": 9, "slice": 1, "l0Type": 3, "l0Number": 0, "memberIndex": 1, "flags": 1},
    {"start": 1128, "size": 500, "serial": 9, "slice": 0, "l0Type": 2, "l0Number": 2, "flags": 1},
    {"start": 1128, "size": 500, "serial": 9, "slice": 1, "l0Type": 2, "l0Number": 2, "memberIndex": 1, "flags": 1},
    {"start": 128, "size": 100, "serial": 9, "slice": 2, "l0Type": 1, "l0Number": 5, "flags": 1}]}]})";

class DeleteByDiskTest : public fsatest::SimTest {
protected:
    std::string config() const override { return kLayout; }
};

std::vector<std::uint32_t> numbers(const tag_FSA_CONTAINER* ids, std::uint32_t n) {
    std::vector<std::uint32_t> out;
    for (std::uint32_t i = 0; i < n; ++i)
        out.push_back(ids[i].containerNumber);
    return out;
}

TEST_F(DeleteByDiskTest, MirrorsLoseOneSideStripesAreLost) {
    void* h = open();
    FSAAPI_CONTEXT* ctx = UtilGetContextFromHandle(h).get();
    const struct {
        std::vector<std::uint8_t> targets;
        std::vector<std::uint32_t> deleted, degraded;
    } cases[] = {
        {{1}, {0}, {2}},
        {{0, 1}, {0, 2}, {}},
        {{2}, {5}, {}},
        {{3}, {}, {}}, // a disk without partitions
    };
    for (const auto& c : cases) {
        std::vector<FSA_STORAGE_DEVICE> disks;
        for (std::uint8_t t : c.targets) {
            FSA_STORAGE_DEVICE d{};
            d.scsi.target = t;
            d.scsi.adapterSerial = 9;
            disks.push_back(d);
        }
        tag_FSA_CONTAINER del[32], deg[32];
        std::uint32_t nDel = 7, nDeg = 7;
        CT_FindContainersToDeleteByDisk(ctx, disks.data(), static_cast<std::uint32_t>(disks.size()),
                                        del, &nDel, sizeof del, deg, &nDeg, sizeof deg);
        EXPECT_EQ(numbers(del, nDel), c.deleted) << int(c.targets[0]);
        EXPECT_EQ(numbers(deg, nDeg), c.degraded) << int(c.targets[0]);
    }

    // Lists with room for one id: the count still tells them all.
    FSA_STORAGE_DEVICE both[2] = {};
    both[1].scsi.target = 1;
    both[0].scsi.adapterSerial = both[1].scsi.adapterSerial = 9;
    tag_FSA_CONTAINER one[2] = {};
    std::uint32_t nDel = 0, nDeg = 0;
    tag_FSA_CONTAINER deg[1];
    CT_FindContainersToDeleteByDisk(ctx, both, 2, one, &nDel, sizeof(tag_FSA_CONTAINER), deg, &nDeg,
                                    sizeof deg);
    EXPECT_EQ(nDel, 2u);
    EXPECT_EQ(one[1].containerNumber, 0u) << "nothing written past the room given";
    FsaCloseAdapter(h);
}

} // namespace
