// Free-space extents against the simulated disks' partition tables, and the
// removal of containers on a reused drive with the container operations as
// this check sees them.
#include "ContainerCaches.h"
#include "ContextFixture.h"
#include "ParamChecks.h"
#include "PckServices.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::uint64_t MiB = 1 << 20;
constexpr std::uint64_t K64 = 65536;
constexpr std::uint64_t GiB = 1024 * MiB;

// Drive 1 (bus 0, target 1): 960 KiB used from block 128, then 1 GiB free
// from 1 MiB. Drive 2: 1 GiB free from block 128.
const char* kDisks = R"({"adapters": [{"index": 0, "serial": 4660,
  "slices": [{"drive": 1, "size": 2099200}, {"drive": 2, "size": 2097280}],
  "partitions": [{"start": 0, "size": 10, "serial": 4660, "slice": 98},
                 {"start": 128, "size": 1920, "serial": 4660, "slice": 0, "l0Type": 1,
                  "l0Number": 0, "flags": 1}],
  "containers": {"count": 4, "list": [{"number": 0, "type": 1, "members": [1]}]}
}]})";

std::vector<std::uint32_t> g_onDrive;
std::vector<std::pair<std::uint32_t, std::uint32_t>> g_deleted;
std::uint32_t g_failDeleteOf = 0xFFFFFFFF;

PckServices containerFakes() {
    PckServices s{};
    s.containersOnDrive = [](FSAAPI_CONTEXT*, const FSA_STORAGE_DEVICE* d, std::uint32_t* direct,
                             std::uint32_t* higher) {
        EXPECT_EQ(d->scsi.target, 1);
        for (std::size_t i = 0; i < g_onDrive.size(); ++i)
            direct[i] = g_onDrive[i];
        higher[0] = 0;
        return static_cast<std::uint32_t>(g_onDrive.size());
    };
    s.deleteContainer = [](FSAAPI_CONTEXT*, std::uint32_t n, std::uint32_t op) {
        if (n == g_failDeleteOf)
            return FSA_STATUS(42);
        g_deleted.push_back({n, op});
        g_onDrive.erase(g_onDrive.begin());
        return FSA_STS_SUCCESS;
    };
    return s;
}

class FreeSpace : public fsatest::ContextTest {
protected:
    std::string config() const override { return kDisks; }
    void SetUp() override {
        ContextTest::SetUp();
        g_onDrive.clear();
        g_deleted.clear();
        g_failDeleteOf = 0xFFFFFFFF;
        PCK_SetServices(containerFakes());
    }
    static FSA_STORAGE_DEVICE_SPACE on(std::uint8_t target, std::uint64_t offset,
                                       std::uint64_t size) {
        FSA_STORAGE_DEVICE_SPACE s{};
        s.device.scsi.target = target;
        s.offset = offset;
        s.size = size;
        return s;
    }
    std::uint32_t check(const std::vector<FSA_STORAGE_DEVICE_SPACE>& spaces, int allowSmall = 0) {
        return thrown([&] {
            PCK_ValidateFreeSpace(ctx(), spaces.data(), static_cast<std::uint32_t>(spaces.size()),
                                  allowSmall);
        });
    }
};

TEST_F(FreeSpace, Extents) {
    const std::uint64_t end1 = 2099200ull * 512;
    struct Case {
        const char* what;
        std::vector<FSA_STORAGE_DEVICE_SPACE> spaces;
        int allowSmall;
        std::uint32_t status;
    } cases[] = {
        {"10 MiB at a 64 KiB boundary", {on(1, MiB + K64, 10 * MiB)}, 0, 1},
        {"offset 32 KiB off the boundary", {on(1, MiB + 32768, 10 * MiB)}, 0, 147},
        {"size off the boundary", {on(1, MiB, 10 * MiB + 512)}, 0, 147},
        {"10 MiB less 64 KiB", {on(1, MiB, 10 * MiB - K64)}, 0, 146},
        {"small allowed", {on(1, MiB, 10 * MiB - K64)}, 1, 1},
        {"in the used extent", {on(1, K64, 10 * MiB)}, 0, 148},
        {"up to the end of the disk", {on(1, end1 - 10 * MiB, 10 * MiB)}, 0, 1},
        {"past the end of the disk", {on(1, end1 - MiB, 2 * MiB)}, 0, 149},
        {"in front of the data area", {on(2, 0, 10 * MiB)}, 0, 149},
        {"unknown drive", {on(3, MiB, 10 * MiB)}, 0, 149},
        {"touching extents", {on(1, MiB, 5 * MiB), on(1, 6 * MiB, 5 * MiB)}, 0, 1},
        {"64 KiB of overlap", {on(1, MiB, 5 * MiB), on(1, 6 * MiB - K64, 5 * MiB)}, 0, 150},
        {"overlap the other way", {on(1, 6 * MiB, 5 * MiB), on(1, MiB, 5 * MiB + K64)}, 0, 150},
        {"same range on two drives", {on(1, MiB, 5 * MiB), on(2, MiB, 5 * MiB)}, 0, 1},
        {"the whole free gigabyte of drive 2", {on(2, K64, GiB)}, 0, 1},
        {"size wrapping the offset", {on(2, 0xFFFFFFFFFFFF0000ull, K64)}, 0, 149},
    };
    for (const Case& c : cases)
        EXPECT_EQ(check(c.spaces, c.allowSmall), c.status) << c.what;
}

TEST_F(FreeSpace, PartitionsPerDrive) {
    // Drive 1 already holds one partition.
    const std::uint32_t limit = CT_GetMaxNumberOfCtrPartitions(ctx());
    std::vector<FSA_STORAGE_DEVICE_SPACE> spaces;
    for (std::uint32_t i = 0; i + 1 < limit; ++i)
        spaces.push_back(on(1, MiB + i * 10 * MiB, 10 * MiB));
    EXPECT_EQ(check(spaces), 1u);
    spaces.push_back(on(1, MiB + limit * 10 * MiB, 10 * MiB));
    EXPECT_EQ(check(spaces), 581u);
}

TEST_F(FreeSpace, UnreadablePartitionTableIsThrown) {
    qorsim::Fault f;
    f.ctCommand = 86;
    f.mutateReply = [](std::uint8_t* fib) { qorsim::put32(fib, 32 + 8, 0); };
    sim.inject(f);
    EXPECT_EQ(check({on(1, MiB, 10 * MiB)}), 39u);
}

TEST_F(FreeSpace, ContainerServicesNobodyInstalledAnswerNotImplemented) {
    PCK_ResetServices();
    EXPECT_EQ(thrown([&] { PCK_CheckAndRemoveActiveCtrs(ctx(), 1, 1, 0); }), 66u);
}

TEST_F(FreeSpace, RemovesContainersOnTheDrive) {
    g_onDrive = {3, 5};
    EXPECT_EQ(PCK_CheckAndRemoveActiveCtrs(ctx(), 1, 1, 0), FSA_STS_SUCCESS);
    EXPECT_EQ(g_deleted, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{3, 12}, {5, 12}}));

    g_onDrive = {4};
    g_deleted.clear();
    EXPECT_EQ(PCK_CheckAndRemoveActiveCtrs(ctx(), 1, 1, 1), FSA_STS_SUCCESS);
    EXPECT_EQ(g_deleted, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{4, 13}}));
}

TEST_F(FreeSpace, RemovalRefusals) {
    g_onDrive = {3};
    EXPECT_EQ(thrown([&] { PCK_CheckAndRemoveActiveCtrs(ctx(), 1, 0, 0); }), 137u);
    EXPECT_TRUE(g_deleted.empty());

    g_onDrive = {3, 5};
    g_failDeleteOf = 5;
    EXPECT_EQ(thrown([&] { PCK_CheckAndRemoveActiveCtrs(ctx(), 1, 1, 0); }), 42u);
    EXPECT_EQ(g_deleted.size(), 1u); // the first deletion stays
}

} // namespace
