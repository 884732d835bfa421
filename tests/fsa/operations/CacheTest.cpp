// Global cache sizes, one container's cache settings, cache statistics with
// the write-cache state, flushing and discarding, and orphaned raw buffers.
#include "FsaCache.h"
#include "HandleTable.h"
#include "OpsFixture.h"

#include <atomic>
#include <vector>

namespace {

// Container 1 on disk 0 (entry 1), container 30 beyond the visible range.
const char* kCache = R"({"adapters": [{"index": 0, "serial": 9, "info": {"options": 4},
  "slices": [{"size": 4000, "drive": 1}],
  "partitions": [{"start": 0, "size": 10, "serial": 9, "slice": 98},
                 {"start": 128, "size": 200, "serial": 9, "slice": 0, "l0Type": 1, "l0Number": 1,
                  "flags": 1},
                 {"start": 400, "size": 200, "serial": 9, "slice": 0, "l0Type": 1, "l0Number": 30,
                  "flags": 1}],
  "containers": {"count": 32, "firstHidden": 24,
                 "list": [{"number": 1, "type": 1, "members": [1]},
                          {"number": 30, "type": 1, "members": [2]}]},
  "cache": {"header": {"1": 8000, "3": 100, "4": 200, "5": 1000, "6": 9000, "8": 2000,
                       "2": 22, "7": 77, "9": 9, "18": 18, "19": 1919},
            "slots": [{"container": 1, "words": {"2": 4, "4": 1, "5": 1, "20": 20}},
                      {"container": 5, "words": {"2": 6}},
                      {"container": 7, "words": {"2": 0, "4": 3}}]}}]})";

std::atomic<int> g_cacheEvents{0};
int countCacheEvent(void*, std::uint32_t bit, FSA_EVENT_DETAILS*, void*) {
    if (bit == 0x10000)
        ++g_cacheEvents;
    return 1;
}

class Cache : public fsatest::OpsTest {
protected:
    Cache() : OpsTest(kCache) {}
    void SetUp() override {
        OpsTest::SetUp();
        readOnly = open("qor0", FSA_ACC_READ_ONLY);
    }
    void TearDown() override {
        FsaCloseAdapter(readOnly);
        OpsTest::TearDown();
    }
    void* readOnly = nullptr;
};

TEST_F(Cache, GlobalParametersAreReadAndSetWithinTheControllersLimits) {
    FSA_GLOBAL_CACHE_PARAMS p{};
    ASSERT_EQ(FsaContainerGetGlobalCacheParams(readOnly, &p), FSA_STS_SUCCESS);
    EXPECT_EQ(p.globalValue, 1919u);
    EXPECT_EQ(p.readSize, 1000u);
    EXPECT_EQ(p.writeSize, 2000u);
    EXPECT_EQ(p.readMax, 8000u);
    EXPECT_EQ(p.writeMax, 9000u);
    EXPECT_EQ(p.readMin, 100u);
    EXPECT_EQ(p.writeMin, 200u);

    // Another client of the adapter hears of the change.
    ASSERT_EQ(FsaRegisterGeneralCallback(readOnly, 0x10000, countCacheEvent, nullptr),
              FSA_STS_SUCCESS);
    g_cacheEvents = 0;
    struct Case {
        std::uint32_t read, write;
        FSA_STATUS status;
    } cases[] = {
        {100, 200, FSA_STS_SUCCESS},  {8000, 9000, FSA_STS_SUCCESS}, {99, 200, FSA_STATUS(340)},
        {8001, 200, FSA_STATUS(332)}, {100, 199, FSA_STATUS(341)},   {100, 9001, FSA_STATUS(333)},
    };
    for (const Case& k : cases) {
        FSA_GLOBAL_CACHE_PARAMS set = p;
        set.readSize = k.read;
        set.writeSize = k.write;
        EXPECT_EQ(FsaContainerSetGlobalCacheParams(handle, &set), k.status)
            << k.read << " " << k.write;
    }
    EXPECT_EQ(sim.snapshot(0).cache.header[5], 8000u); // the last accepted sizes
    EXPECT_EQ(sim.snapshot(0).cache.header[8], 9000u);
    EXPECT_EQ(FsaContainerSetGlobalCacheParams(readOnly, &p), FSA_STS_NEEDS_READ_WRITE);
    for (int i = 0; i < 200 && g_cacheEvents < 2; ++i)
        sleeper.sleepMs(50);
    EXPECT_EQ(g_cacheEvents.load(), 2);

    sim.update(0, [](qorsim::Adapter& a) { a.cache.sizeStatus = 219; });
    EXPECT_EQ(FsaContainerSetGlobalCacheParams(handle, &p), FSA_STATUS(339));
}

TEST_F(Cache, ContainerSettingsLandInItsPartitions) {
    const tag_FSA_CONTAINER c{1, 0, 9};
    struct Case {
        tag_FSA_CONTAINER_PARAMS set;
        tag_FSA_CONTAINER_PARAMS read;
    } cases[] = {
        {{1, 1}, {1, 1}},
        {{6, 2}, {0, 2}}, // a read setting without bit 0 is sent as 0
        {{3, 4}, {3, 0}}, // a write setting without bits 0 and 1 likewise
    };
    for (const Case& k : cases) {
        ASSERT_EQ(FsaContainerSetCacheParams(handle, &c, &k.set), FSA_STS_SUCCESS);
        tag_FSA_CONTAINER_PARAMS got{9, 9};
        ASSERT_EQ(FsaContainerGetCacheParams(readOnly, &c, &got), FSA_STS_SUCCESS);
        EXPECT_EQ(got.readCache, k.read.readCache);
        EXPECT_EQ(got.writeCache, k.read.writeCache);
    }
    const tag_FSA_CONTAINER_PARAMS p{1, 1};
    const tag_FSA_CONTAINER missing{3, 0, 9}, hidden{30, 0, 9};
    EXPECT_EQ(FsaContainerSetCacheParams(handle, &missing, &p), FSA_STATUS(11));
    EXPECT_EQ(FsaContainerSetCacheParams(handle, &hidden, &p), FSA_STATUS(401));
    EXPECT_EQ(FsaContainerSetCacheParams(readOnly, &c, &p), FSA_STS_NEEDS_READ_WRITE);
    tag_FSA_CONTAINER_PARAMS got{9, 9};
    EXPECT_EQ(FsaContainerGetCacheParams(readOnly, &missing, &got), FSA_STATUS(11));
    EXPECT_EQ(got.readCache, 0u);
    sim.update(0, [](qorsim::Adapter& a) { a.cache.setStatus = 265; });
    EXPECT_EQ(FsaContainerSetCacheParams(handle, &c, &p), FSA_STATUS(321));
}

TEST_F(Cache, StatisticsReportTheAskedContainerWithItsWriteCacheState) {
    const tag_FSA_CONTAINER c{1, 0, 9};
    std::vector<std::uint32_t> out(64, 0xEEEEEEEE);
    unsigned size = 75;
    EXPECT_EQ(FsaGetContainerCacheStats(readOnly, &c, 0, &size, out.data()),
              FSA_STS_BUFFER_TOO_SMALL);
    EXPECT_EQ(size, 168u);
    EXPECT_EQ(out[0], 0xEEEEEEEEu); // nothing written
    size = 76;
    EXPECT_EQ(FsaGetContainerCacheStats(readOnly, &c, 0, &size, out.data()),
              FSA_STS_BUFFER_TOO_SMALL);
    EXPECT_EQ(size, 168u);
    EXPECT_EQ(out[0], 8000u);
    EXPECT_EQ(out[18], 0u);
    size = 76;
    EXPECT_EQ(FsaGetContainerCacheStats(readOnly, nullptr, 0, &size, out.data()), FSA_STS_SUCCESS);
    EXPECT_EQ(size, 76u);

    size = 168;
    ASSERT_EQ(FsaGetContainerCacheStats(readOnly, &c, 0, &size, out.data()), FSA_STS_SUCCESS);
    const std::uint32_t global[] = {8000, 9000, 22, 77, 100, 200, 1000, 2000, 9};
    for (std::size_t i = 0; i < 9; ++i)
        EXPECT_EQ(out[i], global[i]) << i;
    EXPECT_EQ(out[17], 18u);
    EXPECT_EQ(out[18], 1u);
    const std::uint32_t* record = out.data() + 19;
    EXPECT_EQ(record[0], 1u);
    EXPECT_EQ(record[1], 0xEEEEEEEEu); // left as the caller had them
    EXPECT_EQ(record[3], 4u);          // raw buffers
    EXPECT_EQ(record[21], 20u);
    // Battery state 0 with the container's write cache on only while the
    // battery is good: 10.
    EXPECT_EQ(record[22], 10u);
}

TEST_F(Cache, FlushReleaseAndOrphanedRawBuffers) {
    const tag_FSA_CONTAINER c{1, 0, 9};
    EXPECT_EQ(FsaFlushContainerCache(handle, &c), FSA_STS_SUCCESS);
    unsigned released = 0;
    EXPECT_EQ(FsaReleaseContainerCache(handle, &c, &released), FSA_STS_SUCCESS);
    EXPECT_EQ(released, 4u);
    EXPECT_EQ(FsaReleaseContainerCache(readOnly, &c, &released), FSA_STS_NEEDS_READ_WRITE);

    // Slot 5 holds raw data of a container the controller no longer has.
    EXPECT_EQ(FsaAreThereOphanRawBuffers(readOnly, 0), 1u);
    EXPECT_EQ(sim.snapshot(0).cache.slots.at(5)[2], 6u);
    EXPECT_EQ(FsaAreThereOphanRawBuffers(handle, 1), 1u);
    EXPECT_EQ(sim.snapshot(0).cache.slots.at(5)[2], 0u);
    EXPECT_EQ(FsaAreThereOphanRawBuffers(handle, 0), 0u);
    EXPECT_EQ(FsaAreThereOphanRawBuffers(nullptr, 0), unsigned(FSA_STS_INVALID_HANDLE));
}

} // namespace
