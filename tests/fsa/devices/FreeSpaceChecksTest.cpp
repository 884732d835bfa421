// Free-space extents and the removal of containers on a reused drive, with
// the partition cache and the container operations as this check sees them.
#include "ContextFixture.h"
#include "ParamChecks.h"
#include "PckServices.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::uint64_t MiB = 1 << 20;
constexpr std::uint64_t K64 = 65536;

// Drive 1 (bus 0, target 1): 1 MiB used, then 1 GiB free. Drive 2: 1 GiB free.
std::vector<PckExtent> g_cache;
std::uint32_t g_limit = 4;
int g_rebuilds = 0;
FSA_STATUS g_rebuildStatus = FSA_STS_SUCCESS;
std::vector<std::uint32_t> g_onDrive;
std::vector<std::pair<std::uint32_t, std::uint32_t>> g_deleted;
std::uint32_t g_failDeleteOf = 0xFFFFFFFF;

PckServices fakes() {
    PckServices s{};
    s.rebuildCaches = [](FSAAPI_CONTEXT*) {
        ++g_rebuilds;
        return g_rebuildStatus;
    };
    s.sortedPartitions = [](FSAAPI_CONTEXT*) { return g_cache; };
    s.partitionsPerDriveLimit = [](FSAAPI_CONTEXT*) { return g_limit; };
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
    void SetUp() override {
        ContextTest::SetUp();
        g_cache = {
            {1, 0, 2048, 4}, {1, 2048, 2097152, PCK_EXTENT_FREE}, {2, 0, 2097152, PCK_EXTENT_FREE}};
        g_limit = 4;
        g_rebuilds = 0;
        g_rebuildStatus = FSA_STS_SUCCESS;
        g_onDrive.clear();
        g_deleted.clear();
        g_failDeleteOf = 0xFFFFFFFF;
        PCK_SetServices(fakes());
    }
    static FSA_STORAGE_DEVICE_SPACE on(std::uint8_t target, std::uint64_t offset,
                                       std::uint64_t size) {
        FSA_STORAGE_DEVICE_SPACE s{};
        s.device.scsi.target = target;
        s.offset = offset;
        s.size = size;
        return s;
    }
};

TEST_F(FreeSpace, Extents) {
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
        {"in the used extent", {on(1, 0, 10 * MiB)}, 0, 148},
        {"past the free extent", {on(1, 1024 * MiB, 2 * MiB)}, 0, 149},
        {"beyond every extent", {on(1, 4096 * MiB, 10 * MiB)}, 0, 149},
        {"unknown drive", {on(3, 0, 10 * MiB)}, 0, 149},
        {"touching extents", {on(1, MiB, 5 * MiB), on(1, 6 * MiB, 5 * MiB)}, 0, 1},
        {"64 KiB of overlap", {on(1, MiB, 5 * MiB), on(1, 6 * MiB - K64, 5 * MiB)}, 0, 150},
        {"overlap the other way", {on(1, 6 * MiB, 5 * MiB), on(1, MiB, 5 * MiB + K64)}, 0, 150},
        {"same range on two drives", {on(1, MiB, 5 * MiB), on(2, MiB, 5 * MiB)}, 0, 1},
        {"more partitions than the drive takes",
         {on(1, MiB, 5 * MiB), on(1, 6 * MiB, 5 * MiB), on(1, 11 * MiB, 5 * MiB),
          on(1, 16 * MiB, 5 * MiB)},
         0,
         581},
        {"size wrapping the offset", {on(2, 0xFFFFFFFFFFFF0000ull, K64)}, 0, 149},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(thrown([&] {
                      PCK_ValidateFreeSpace(ctx(), c.spaces.data(),
                                            static_cast<std::uint32_t>(c.spaces.size()),
                                            c.allowSmall);
                  }),
                  c.status)
            << c.what;
    }
    EXPECT_EQ(g_rebuilds, static_cast<int>(std::size(cases)));
}

TEST_F(FreeSpace, RebuildFailureIsThrown) {
    g_rebuildStatus = FSA_STATUS(39);
    const auto s = on(1, MiB, 10 * MiB);
    EXPECT_EQ(thrown([&] { PCK_ValidateFreeSpace(ctx(), &s, 1, 0); }), 39u);
}

TEST_F(FreeSpace, ServicesNobodyInstalledAnswerNotImplemented) {
    PCK_ResetServices();
    const auto s = on(1, MiB, 10 * MiB);
    EXPECT_EQ(thrown([&] { PCK_ValidateFreeSpace(ctx(), &s, 1, 0); }), 66u);
    EXPECT_EQ(thrown([&] { PCK_CheckAndRemoveActiveCtrs(ctx(), 1, 1, 0); }), 66u);
}

TEST_F(FreeSpace, RemovesContainersOnTheDrive) {
    g_onDrive = {3, 5};
    EXPECT_EQ(PCK_CheckAndRemoveActiveCtrs(ctx(), 1, 1, 0), FSA_STS_SUCCESS);
    EXPECT_EQ(g_deleted, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{3, 12}, {5, 12}}));
    EXPECT_EQ(g_rebuilds, 1);

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

    g_onDrive.clear();
    g_rebuildStatus = FSA_STATUS(39);
    EXPECT_EQ(PCK_CheckAndRemoveActiveCtrs(ctx(), 1, 1, 0), 39u);
}

} // namespace
