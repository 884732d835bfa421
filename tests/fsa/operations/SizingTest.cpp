// Partition sizing for a container of a given capacity, and the partition
// counts per disk.
#include "FsaContainerOps.h"
#include "HandleTable.h"
#include "SimFixture.h"

namespace {

// Container 1 (serial 9): three level-0 partitions; container 6 is a level-1
// container over two level-0 containers; one free extent belongs to nobody.
const char* kLayout = R"({"adapters": [{"index": 0, "serial": 9,
  "slices": [{"size": 4000, "drive": 1}, {"size": 4000, "drive": 2}, {"size": 4000, "drive": 3}],
  "partitions": [{"start": 0, "size": 10, "serial": 9, "slice": 98},
                 {"start": 128, "size": 200, "serial": 9, "slice": 0, "l0Type": 4, "l0Number": 1, "flags": 1},
                 {"start": 128, "size": 200, "serial": 9, "slice": 1, "l0Type": 4, "l0Number": 1, "flags": 1},
                 {"start": 128, "size": 200, "serial": 9, "slice": 2, "l0Type": 4, "l0Number": 1, "flags": 1},
                 {"start": 400, "size": 200, "serial": 9, "slice": 0, "l0Type": 3, "l0Number": 4, "flags": 1,
                  "l1Type": 1, "l1Number": 6},
                 {"start": 400, "size": 200, "serial": 9, "slice": 1, "l0Type": 3, "l0Number": 5, "flags": 1,
                  "l1Type": 1, "l1Number": 6}],
  "containers": {"count": 8, "list": [{"number": 1, "type": 4, "members": [1, 2, 3]}]}}]})";

class Sizing : public fsatest::OpenAdapterTest {
protected:
    std::string config() const override { return kLayout; }
    FSA_ACCESS access() const override { return FSA_ACC_READ_ONLY; }
};

TEST_F(Sizing, EachPartitionGetsItsShareRoundedUpPastThe64KStep) {
    const tag_FSA_CONTAINER raid5{1, 0, 9}, level1{6, 0, 9}, none{7, 0, 9};
    struct Case {
        tag_FSA_CONTAINER c;
        std::uint32_t type;
        int add;
        unsigned count;
        std::uint64_t capacity;
        FSA_STATUS status;
        std::uint64_t size;
    } cases[] = {
        {none, 4, 0, 3, 0x20000, FSA_STS_SUCCESS, 0x20000}, // exact multiple still grows
        {none, 4, 0, 3, 0x20001, FSA_STS_SUCCESS, 0x20000}, // 0x10001 rounds up
        {none, 4, 0, 1, 0x20000, static_cast<FSA_STATUS>(497), 0},
        {none, 1, 0, 2, 0x30000, FSA_STS_SUCCESS, 0x40000}, // divides by 1
        {none, 1, 0, 3, 0x30000, FSA_STS_SUCCESS, 0x40000}, // still by 1
        {none, 13, 0, 1, 0x30000, static_cast<FSA_STATUS>(497), 0},
        {none, 2, 0, 0, 0x30000, static_cast<FSA_STATUS>(497), 0},
        {raid5, 4, 0, 0, 0x40000, FSA_STS_SUCCESS, 0x30000},  // its own 3 partitions: by 2
        {raid5, 4, 1, 1, 0x60000, FSA_STS_SUCCESS, 0x30000},  // 3 + 1 partitions: by 3
        {raid5, 2, 0, 4, 0x40000, FSA_STS_SUCCESS, 0x20000},  // the given count wins
        {level1, 2, 0, 0, 0x40000, FSA_STS_SUCCESS, 0x30000}, // its 2 level-1 partitions
    };
    for (const Case& k : cases) {
        std::uint64_t size = 0;
        EXPECT_EQ(FsaGetPartitionSize(handle, &size, &k.c, k.type, k.add, k.count, k.capacity),
                  k.status)
            << k.c.containerNumber << " type " << k.type << " count " << k.count;
        if (k.status == FSA_STS_SUCCESS) {
            EXPECT_EQ(size, k.size) << k.c.containerNumber << " type " << k.type;
        }
    }
}

TEST_F(Sizing, PartitionCountsPerDisk) {
    unsigned max = 0;
    EXPECT_EQ(FsaFindMaxNumberOfPartitionsPerDisk(handle, &max), FSA_STS_SUCCESS);
    EXPECT_EQ(max, 10u);
    EXPECT_EQ(FsaFindMaxNumberOfPartitionsPerDisk(handle, nullptr), FSA_STS_BAD_ARGUMENTS);
    const std::pair<std::uint8_t, unsigned> disks[] = {{1, 2}, {2, 2}, {3, 1}, {4, 0}};
    for (const auto& [target, partitions] : disks) {
        FSA_SCSI_DEVICE d{0, target, 0, 0, 9};
        unsigned n = 99;
        EXPECT_EQ(FsaFindNumberOfCtrPartitionsonDisk(handle, &d, &n), FSA_STS_SUCCESS);
        EXPECT_EQ(n, partitions) << int(target);
    }
    unsigned n = 0;
    EXPECT_EQ(FsaFindNumberOfCtrPartitionsonDisk(handle, nullptr, &n), FSA_STS_BAD_ARGUMENTS);
    EXPECT_EQ(FsaFindNumberOfCtrPartitionsonDisk(nullptr, nullptr, &n), FSA_STS_INVALID_HANDLE);
    std::uint64_t size = 0;
    const tag_FSA_CONTAINER c{1, 0, 9};
    EXPECT_EQ(FsaGetPartitionSize(nullptr, &size, &c, 4, 0, 3, 1), FSA_STS_INVALID_HANDLE);
}

} // namespace
