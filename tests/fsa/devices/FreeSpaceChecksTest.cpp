// Free-space extents against the simulated disks' partition tables, and the
// removal of containers on a reused drive with the container operations as
// this check sees them.
#include "ContainerCaches.h"
#include "ContextFixture.h"
#include "CtChannel.h"
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

// The container deletion as the dispatcher would do it: the simulated
// controller forgets the container and its partitions, the caches go stale.
qorsim::Simulator* g_sim = nullptr;
std::vector<std::pair<std::uint32_t, std::uint32_t>> g_deleted;
std::uint32_t g_failDeleteOf = 0xFFFFFFFF;
bool g_deleteForgets = true;

PckServices containerFakes() {
    PckServices s{};
    s.deleteContainer = [](FSAAPI_CONTEXT* ctx, std::uint32_t n, std::uint32_t op) {
        if (n == g_failDeleteOf)
            return FSA_STATUS(42);
        g_deleted.push_back({n, op});
        if (g_deleteForgets)
            g_sim->update(0, [n](qorsim::Adapter& a) {
                a.containers.erase(n);
                for (qorsim::PartitionEntry& p : a.partitions)
                    if (qorsim::get32(p.data(), 48) != 0 && qorsim::get16(p.data(), 52) == n)
                        p.fill(0);
            });
        CT_InvalidateCache(ctx);
        return FSA_STS_SUCCESS;
    };
    return s;
}

class FreeSpace : public fsatest::ContextTest {
protected:
    std::string config() const override { return kDisks; }
    void SetUp() override {
        ContextTest::SetUp();
        g_sim = &sim;
        g_deleted.clear();
        g_failDeleteOf = 0xFFFFFFFF;
        g_deleteForgets = true;
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

using Deleted = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

TEST_F(FreeSpace, RemovesContainersOnTheDrive) {
    EXPECT_EQ(PCK_CheckAndRemoveActiveCtrs(ctx(), 2, 1, 0), FSA_STS_SUCCESS); // none there
    EXPECT_TRUE(g_deleted.empty());
    EXPECT_EQ(PCK_CheckAndRemoveActiveCtrs(ctx(), 1, 1, 1), FSA_STS_SUCCESS);
    EXPECT_EQ(g_deleted, (Deleted{{0, 13}}));
    EXPECT_EQ(sim.snapshot(0).containers.count(0), 0u);
    // The freed extent is free in the rebuilt cache.
    EXPECT_EQ(check({on(1, K64, 10 * MiB)}), 1u);
}

TEST_F(FreeSpace, RemovalRefusals) {
    EXPECT_EQ(thrown([&] { PCK_CheckAndRemoveActiveCtrs(ctx(), 1, 0, 0); }), 137u);
    EXPECT_TRUE(g_deleted.empty());

    g_failDeleteOf = 0;
    EXPECT_EQ(thrown([&] { PCK_CheckAndRemoveActiveCtrs(ctx(), 1, 1, 0); }), 42u);

    // A deletion that reports success but leaves the container is not repeated.
    g_failDeleteOf = 0xFFFFFFFF;
    g_deleteForgets = false;
    EXPECT_EQ(thrown([&] { PCK_CheckAndRemoveActiveCtrs(ctx(), 1, 1, 0); }), 6u);
    EXPECT_EQ(g_deleted, (Deleted{{0, 12}}));

    PCK_ResetServices(); // the dispatcher is not in this build
    EXPECT_EQ(thrown([&] { PCK_CheckAndRemoveActiveCtrs(ctx(), 1, 1, 0); }), 66u);
}

} // namespace
