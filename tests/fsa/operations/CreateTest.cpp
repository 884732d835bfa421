// Creating containers on free disk space: the new container is then known
// to the controller with its partitions; refusals before anything is sent.
#include "ClusterFaults.h"
#include "FsaContainerOps.h"
#include "HandleTable.h"
#include "OpsFixture.h"
#include "ParamChecks.h"
#include "PartnerLayout.h"

#include <vector>

namespace {

// Two empty disks of 100000 blocks each, drives 1 and 2 (bus 0, targets 1, 2).
const char* kEmptyDisks = R"({"adapters": [{"index": 0, "serial": 9,
  "slices": [{"size": 100000, "drive": 1}, {"size": 100000, "drive": 2},
             {"size": 100000, "drive": 3}],
  "containers": {"count": 32, "firstHidden": 24}}]})";

constexpr std::uint64_t kMiB = 1 << 20;

FSA_STORAGE_DEVICE_SPACE extent(std::uint8_t target, std::uint64_t offset, std::uint64_t size) {
    FSA_STORAGE_DEVICE_SPACE s{};
    s.device.scsi.target = target;
    s.device.scsi.adapterSerial = 9;
    s.offset = offset;
    s.size = size;
    return s;
}

class Create : public fsatest::OpsTest {
protected:
    Create() : OpsTest(kEmptyDisks) {}
};

TEST_F(Create, AVolumeSetIsCreatedAndListedWithItsSize) {
    const FSA_STORAGE_DEVICE_SPACE spaces[] = {extent(1, kMiB, 16 * kMiB),
                                               extent(2, kMiB, 32 * kMiB)};
    tag_FSA_CONTAINER made{};
    ASSERT_EQ(FsaCreatePrimaryContainer(handle, &made, 3, nullptr, 2, spaces, 0, nullptr),
              FSA_STS_SUCCESS);
    EXPECT_EQ(made.containerNumber, 0u); // the lowest free number
    EXPECT_EQ(made.adapterSerial, 9u);
    const qorsim::Adapter a = sim.snapshot(0);
    ASSERT_TRUE(a.containers.count(0));
    EXPECT_EQ(a.containers.at(0).members.size(), 2u);
    std::uint64_t blocks = 0;
    for (std::uint32_t entry : a.containers.at(0).members)
        blocks += qorsim::get32(a.partitions.at(entry).data(), 28);
    EXPECT_EQ(blocks * 512, 48 * kMiB);

    // The next one takes the next number; its extents must be free.
    EXPECT_EQ(FsaCreatePrimaryContainer(handle, &made, 3, nullptr, 1, spaces, 0, nullptr),
              FSA_STATUS(148));
    const FSA_STORAGE_DEVICE_SPACE more[] = {extent(1, 20 * kMiB, 16 * kMiB)};
    ASSERT_EQ(FsaCreatePrimaryContainer(handle, &made, 3, nullptr, 1, more, 0, nullptr),
              FSA_STS_SUCCESS);
    EXPECT_EQ(made.containerNumber, 1u);
}

TEST_F(Create, RefusalsComeBeforeAnythingIsCreated) {
    const FSA_STORAGE_DEVICE_SPACE two[] = {extent(1, kMiB, 16 * kMiB), extent(2, kMiB, 16 * kMiB)};
    const FSA_STORAGE_DEVICE_SPACE three[] = {
        extent(1, kMiB, 16 * kMiB), extent(2, kMiB, 16 * kMiB), extent(3, kMiB, 16 * kMiB)};
    tag_FSA_CONTAINER made{};
    struct Case {
        std::uint32_t type;
        unsigned count;
        const FSA_STORAGE_DEVICE_SPACE* spaces;
        FSA_STATUS status;
    } cases[] = {
        {4, 2, two, FSA_STATUS(211)}, {7, 2, two, FSA_STATUS(211)}, {8, 2, two, FSA_STATUS(211)},
        {5, 2, two, FSA_STATUS(22)},  {0, 2, two, FSA_STATUS(22)},  {28, 2, two, FSA_STATUS(22)},
    };
    for (const Case& k : cases)
        EXPECT_EQ(FsaCreatePrimaryContainer(handle, &made, k.type, nullptr, k.count, k.spaces, 0,
                                            nullptr),
                  k.status)
            << k.type;
    const FSA_STORAGE_DEVICE_SPACE small[] = {extent(1, kMiB, 4 * kMiB)};
    EXPECT_EQ(FsaCreatePrimaryContainer(handle, &made, 3, nullptr, 1, small, 0, nullptr),
              FSA_STATUS(146));
    const FSA_STORAGE_DEVICE_SPACE unaligned[] = {extent(1, kMiB + 32768, 16 * kMiB)};
    EXPECT_EQ(FsaCreatePrimaryContainer(handle, &made, 3, nullptr, 1, unaligned, 0, nullptr),
              FSA_STATUS(147));
    sim.update(0, [](qorsim::Adapter& a) { a.partitionCapacity = 2; });
    EXPECT_EQ(FsaCreatePrimaryContainer(handle, &made, 3, nullptr, 3, three, 0, nullptr),
              FSA_STATUS(89));
    EXPECT_TRUE(sim.snapshot(0).containers.empty());
    void* readOnly = open("qor0", FSA_ACC_READ_ONLY);
    EXPECT_EQ(FsaCreatePrimaryContainer(readOnly, &made, 3, nullptr, 2, two, 0, nullptr),
              FSA_STS_NEEDS_READ_WRITE);
    FsaCloseAdapter(readOnly);
}

// The cluster partner's container 0 lies on a disk this adapter does not
// reach. A container made on a shared bus takes a number free on every disk;
// on a private bus one free on this adapter's disks. The bus is private only
// when the cluster's shared-bus mask and the drive's own disk-set answer
// both say so: one unread, the bus may be shared.
TEST_F(Create, OnASharedBusThePartnersNumbersAreAvoided) {
    constexpr int kClusterInfo = 258, kDriveInfo = 12;
    const struct {
        const char* what;
        std::uint32_t sharedMask;
        std::vector<qorsim::Fault> faults;
        std::uint32_t number;
    } cases[] = {
        {"shared bus", 1, {}, 1},
        {"private bus", 0, {}, 0},
        {"private bus, the mask unread", 0, {fsatest::clusterRead(kClusterInfo, false)}, 1},
        {"shared bus, the mask unread", 1, {fsatest::clusterRead(kClusterInfo, false)}, 1},
        {"shared bus, the mask zeroed", 1, {fsatest::clusterRead(kClusterInfo, true)}, 1},
        {"private bus, the drive's answer unread", 0, {fsatest::clusterRead(kDriveInfo, false)}, 1},
        {"private bus, the drive's answer zeroed", 0, {fsatest::clusterRead(kDriveInfo, true)}, 1},
    };
    const FSA_STORAGE_DEVICE_SPACE spaces[] = {extent(2, kMiB, 16 * kMiB)};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FsaCloseAdapter(handle);
        sim.load(fsatest::withPartnersContainer(kEmptyDisks, 3, 0, {}, false));
        sim.update(0, [&](qorsim::Adapter& a) { a.maint.cluster.sharedMask = c.sharedMask; });
        handle = open();
        for (const qorsim::Fault& f : c.faults)
            sim.inject(f);
        tag_FSA_CONTAINER made{};
        EXPECT_EQ(FsaCreatePrimaryContainer(handle, &made, 3, nullptr, 1, spaces, 0, nullptr),
                  FSA_STS_SUCCESS);
        sim.clearFaults();
        EXPECT_EQ(made.containerNumber, c.number);
        const qorsim::Adapter a = sim.snapshot(0);
        EXPECT_EQ(a.containers.count(c.number), 1u);
        EXPECT_EQ(a.containers.size(), 1u);
    }
}

} // namespace
