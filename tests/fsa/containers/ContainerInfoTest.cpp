// Container information records: loaded containers with their members,
// buffer sizes, enumeration, phantom containers and the partition
// enumeration.
#include "FsaApi.h"
#include "FsaContainerInfo.h"
#include "SimFixture.h"

#include <vector>

namespace {

// Container 0: a stripe over two disks; 2: a mirror; 4: only partitions
// (one member missing); 5: a volume set of three members. Both disks are
// in one disk set.
const char* kContainers = R"({"adapters": [{"index": 0, "serial": 9, "containers": {"count": 8,
   "list": [{"number": 0, "type": 3, "members": [1, 2], "label": "data", "uid": 77},
            {"number": 2, "type": 2, "members": [3, 4]},
            {"number": 5, "type": 1, "members": [6, 7, 8]}]},
  "slices": [{"size": 10128, "drive": 0}, {"size": 10128, "drive": 1}],
  "diskSets": [{"number": 5, "creator": 9, "members": [0, 1]}],
  "partitions": [{"start": 0, "slice": 99},
    {"start": 128, "size": 1000, "serial": 9, "slice": 0, "l0Type": 3, "l0Number": 0, "l0Members": 2, "flags": 1},
    {"start": 128, "size": 1000, "serial": 9, "slice": 1, "l0Type": 3, "l0Number": 0, "l0Members": 2,
     "memberIndex": 1, "flags": 1},
    {"start": 1128, "size": 500, "serial": 9, "slice": 0, "l0Type": 2, "l0Number": 2, "l0Members": 2, "flags": 1,
     "mirrorKind": 2},
    {"start": 1128, "size": 500, "serial": 9, "slice": 1, "l0Type": 2, "l0Number": 2, "l0Members": 2,
     "memberIndex": 1, "flags": 1},
    {"start": 2000, "size": 300, "serial": 9, "slice": 0, "l0Type": 3, "l0Number": 4, "l0Members": 2, "flags": 1},
    {"start": 3000, "size": 100, "serial": 9, "slice": 0, "l0Type": 1, "l0Number": 5, "l0Members": 3, "flags": 1},
    {"start": 3000, "size": 100, "serial": 9, "slice": 1, "l0Type": 1, "l0Number": 5, "l0Members": 3,
     "memberIndex": 1, "flags": 1},
    {"start": 3100, "size": 100, "serial": 9, "slice": 1, "l0Type": 1, "l0Number": 5, "l0Members": 3,
     "memberIndex": 2, "flags": 1}]}]})";

class ContainerInfoTest : public fsatest::OpenAdapterTest {
protected:
    std::string config() const override { return kContainers; }
    FSA_ACCESS access() const override { return FSA_ACC_READ_ONLY; }
    FSA_CONTAINER_INFO* info() { return reinterpret_cast<FSA_CONTAINER_INFO*>(buffer.data()); }
    FSA_STATUS get(int next, const tag_FSA_CONTAINER* c,
                   unsigned size = FSA_CONTAINER_INFO_MAX_BYTES) {
        return FsaGetContainerInfo(handle, next, c, info(), size);
    }
    std::vector<std::uint8_t> buffer = std::vector<std::uint8_t>(FSA_CONTAINER_INFO_MAX_BYTES);
};

TEST_F(ContainerInfoTest, StripeWithItsMembers) {
    const tag_FSA_CONTAINER c{0, 0, 9};
    ASSERT_EQ(get(0, &c), FSA_STS_SUCCESS);
    const FSA_CONTAINER_INFO& i = *info();
    EXPECT_EQ(i.container.containerNumber, 0u);
    EXPECT_EQ(i.container.uniqueId, 77u);
    EXPECT_EQ(i.container.adapterSerial, 9u);
    EXPECT_STREQ(i.name, "data");
    EXPECT_EQ(i.type, 2u);
    EXPECT_EQ(i.extendedType, 2u);
    EXPECT_EQ(std::uint64_t(i.size), 2000u * 512);
    EXPECT_EQ(i.diskNumber, 0xFFFFFFFFu);
    EXPECT_EQ(i.hasDrivePartitions, 1u);
    EXPECT_EQ(i.parent.containerNumber, 0xFFFFFFFFu);
    EXPECT_EQ(i.related[5].containerNumber, 0xFFFFFFFFu);
    ASSERT_EQ(i.partitionCount, 2u);
    EXPECT_EQ(i.partitions[0].device.kind, 0u);
    EXPECT_EQ(i.partitions[0].device.scsi.target, 0);
    EXPECT_EQ(i.partitions[1].device.scsi.target, 1);
    EXPECT_EQ(std::uint64_t(i.partitions[1].offset), 128u * 512);
    EXPECT_EQ(std::uint64_t(i.partitions[1].size), 1000u * 512);
}

TEST_F(ContainerInfoTest, BufferSizesAndArguments) {
    const tag_FSA_CONTAINER stripe{0, 0, 9}, volume{5, 0, 9}, none{6, 0, 9};
    sim.clearJournal();
    EXPECT_EQ(get(0, &stripe, 499), FSA_STATUS(5));
    EXPECT_TRUE(sim.journal().empty()) << "refused before anything is asked";
    EXPECT_EQ(get(0, &volume, 555), FSA_STATUS(5)) << "three members need 556 bytes";
    EXPECT_EQ(get(0, &volume, 556), FSA_STS_SUCCESS);
    EXPECT_EQ(info()->type, 3u);
    EXPECT_EQ(std::uint64_t(info()->size), 300u * 512);
    EXPECT_EQ(get(0, nullptr), FSA_STATUS(7));
    EXPECT_EQ(get(0, &none), FSA_STATUS(11));
}

TEST_F(ContainerInfoTest, PhantomContainerFromItsPartitions) {
    const tag_FSA_CONTAINER c{4, 0, 9};
    ASSERT_EQ(get(0, &c), FSA_STS_SUCCESS);
    const FSA_CONTAINER_INFO& i = *info();
    EXPECT_EQ(i.type, 2u);
    ASSERT_EQ(i.partitionCount, 2u);
    EXPECT_EQ(std::uint64_t(i.partitions[0].offset), 2000u * 512);
    EXPECT_EQ(i.partitions[1].device.kind, 1u) << "the second member is missing";
    EXPECT_EQ(i.membersMissing, 1u);
    EXPECT_EQ(std::uint64_t(i.size), 600u * 512);
}

TEST_F(ContainerInfoTest, EnumerationVisitsEachContainerOnce) {
    std::vector<std::uint32_t> seen;
    FSA_STATUS s = get(1, nullptr);
    while (s == FSA_STS_SUCCESS) {
        seen.push_back(info()->container.containerNumber);
        const tag_FSA_CONTAINER last = info()->container;
        s = get(1, &last);
    }
    EXPECT_EQ(s, FSA_STATUS(17));
    EXPECT_EQ(seen, (std::vector<std::uint32_t>{0, 2, 4, 5}));
}

TEST_F(ContainerInfoTest, PartitionEnumeration) {
    FSA_PARTITION_INFO p{};
    EXPECT_EQ(FsaGetFsaPartitionInfo(handle, 0, nullptr, &p), FSA_STATUS(7));
    ASSERT_EQ(FsaGetFsaPartitionInfo(handle, 1, nullptr, &p), FSA_STS_SUCCESS);
    unsigned used = 0, free = 0;
    for (int guard = 0; guard < 64; ++guard) {
        (p.state == 0 ? free : used) += 1;
        if (p.state != 0) {
            EXPECT_NE(p.level0.containerNumber, 0xFFFFFFFFu);
        }
        const FSA_PARTITION last{p.device, p.offset, p.size};
        const FSA_STATUS s = FsaGetFsaPartitionInfo(handle, 1, &last, &p);
        if (s != FSA_STS_SUCCESS) {
            EXPECT_EQ(s, FSA_STATUS(13));
            break;
        }
    }
    EXPECT_EQ(used, 8u);
    EXPECT_GE(free, 2u);

    // Asking again for a partition by its place gives the same answer.
    const FSA_PARTITION stripeMember{{0, {0, 1, 0, 0, 9}}, 128u * 512, 1000u * 512};
    ASSERT_EQ(FsaGetFsaPartitionInfo(handle, 0, &stripeMember, &p), FSA_STS_SUCCESS);
    EXPECT_EQ(p.level0.containerNumber, 0u);
    EXPECT_EQ(p.level0Type, 2u);
    EXPECT_EQ(p.state, 1u);
}

} // namespace
