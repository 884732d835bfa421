// Small container commands: each one's success status and what a refusal
// gives (returned or thrown).
#include "SmallCommands.h"
#include "ContainerFixture.h"
#include "FsaApi.h"
#include "HandleTable.h"

#include <cstring>
#include <functional>

namespace {

class SmallCommandsTest : public fsatest::ContainerTest {
protected:
    std::string config() const override {
        return R"({"adapters": [{"index": 0, "serial": 9, "containers": {"count": 4,
          "list": [{"number": 1, "type": 3, "members": [1]}]},
          "slices": 1, "partitions": [{}, {"start": 128, "size": 4096, "serial": 9, "l0Type": 3}]}]})";
    }
    void answer(std::uint32_t cmd, std::uint32_t status, std::uint32_t w1 = 0) {
        sim.registerContainer(cmd, [status, w1](qorsim::CtRequest& c) {
            c.reply[0] = status;
            c.reply[1] = w1;
        });
    }
    // The status returned, or the one thrown.
    static std::uint32_t outcome(const std::function<FSA_STATUS()>& f) {
        try {
            return f();
        } catch (FSA_STATUS s) {
            return s;
        }
    }
};

TEST_F(SmallCommandsTest, SuccessAndRefusal) {
    std::uint32_t word = 0;
    int space = 0;
    std::uint8_t buf[64] = {};
    const struct {
        const char* name;
        std::uint32_t command, success, refused, expected;
        std::function<FSA_STATUS(FSAAPI_CONTEXT*)> call;
    } cases[] = {
        {"cache size", 135, 218, 1, 339, [](FSAAPI_CONTEXT* c) { return CT_CacheSize(c, 1, 2); }},
        {"cache set", 111, 264, 265, 321,
         [&](FSAAPI_CONTEXT* c) { return CT_UpdateCacheParms(c, 1, buf); }},
        {"cache stats", 112, 218, 1, 329,
         [&](FSAAPI_CONTEXT* c) { return CT_GetGlobalCacheStats(c, 0, 32, buf); }},
        {"flush cache", 129, 218, 1, 352, [](FSAAPI_CONTEXT* c) { return CT_FlushCache(c, 1); }},
        {"toss", 132, 218, 1, 328, [&](FSAAPI_CONTEXT* c) { return CT_CacheToss(c, 1, &word); }},
        {"auto failover", 169, 218, 1, 470,
         [&](FSAAPI_CONTEXT* c) { return CT_GetAutoFailover(c, &word), FSA_STS_SUCCESS; }},
        {"use failover", 168, 218, 1, 469,
         [](FSAAPI_CONTEXT* c) { return CT_UseAutoFailover(c, 1), FSA_STS_SUCCESS; }},
        {"dead", 174, 335, 194, 41,
         [](FSAAPI_CONTEXT* c) {
             return CT_IsContainerDead(c, 1) ? FSA_STS_SUCCESS : FSA_STATUS(0);
         }},
        {"nv param", 79, 192, 1, 161,
         [&](FSAAPI_CONTEXT* c) { return CT_SetNvParam(c, 1, buf), FSA_STS_SUCCESS; }},
        {"nv log", 57, 150, 152, 169,
         [&](FSAAPI_CONTEXT* c) { return CT_GetNvLogEntry(c, 1, 2, buf), FSA_STS_SUCCESS; }},
        {"nv log empty", 57, 150, 151, 168,
         [&](FSAAPI_CONTEXT* c) { return CT_GetNvLogEntry(c, 1, 2, buf), FSA_STS_SUCCESS; }},
        {"set dead", 72, 190, 191, 351,
         [](FSAAPI_CONTEXT* c) { return CT_SetDead(c, 1, 0), FSA_STS_SUCCESS; }},
        {"raid5", 120, 287, 288, 404, [](FSAAPI_CONTEXT* c) { return CT_EnableRaid5(c, 1); }},
        {"verify start", 173, 218, 1, 504,
         [](FSAAPI_CONTEXT* c) { return CT_StartContainerVerify(c, 1), FSA_STS_SUCCESS; }},
        {"verify bad container", 173, 218, 194, 11,
         [](FSAAPI_CONTEXT* c) { return CT_StartContainerVerify(c, 1), FSA_STS_SUCCESS; }},
        {"verify on", 175, 218, 1, 520,
         [](FSAAPI_CONTEXT* c) { return CT_VerifyTaskOn(c), FSA_STS_SUCCESS; }},
        {"unused space", 176, 0, 0, 1,
         [&](FSAAPI_CONTEXT* c) { return CT_GetUnusedSSSpace(c, &space); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        answer(c.command, c.success, 1);
        EXPECT_EQ(outcome([&] { return c.call(ctx); }), 1u);
        answer(c.command, c.refused);
        EXPECT_EQ(outcome([&] { return c.call(ctx); }), c.expected);
    }
}

TEST_F(SmallCommandsTest, ContainerSizeAndFirstPartition) {
    EXPECT_EQ(CT_GetContainerSize(ctx, 1), 4096u * 512);
    EXPECT_EQ(outcome([&] { return FSA_STATUS(CT_GetContainerSize(ctx, 2)); }), 11u);
    Partition p;
    EXPECT_EQ(CT_GetPartitionForContainer(ctx, 1, 1, &p, FSA_RETURN_ON_FAILURE), FSA_STS_SUCCESS);
    EXPECT_EQ(CT_GetPartitionForContainer(ctx, 3, 1, &p, FSA_RETURN_ON_FAILURE), FSA_STATUS(11));
    EXPECT_EQ(outcome([&] {
                  std::uint32_t a, b;
                  CT_GetPartsOfBrokenMirror(ctx, 1, &a, &b);
                  return FSA_STS_SUCCESS;
              }),
              75u)
        << "a stripe is no broken mirror";
}

// The record counts 512-byte blocks in 64 bits; a count whose byte size
// does not fit 64 bits is a damaged record, refused rather than wrapped to
// a small size.
TEST_F(SmallCommandsTest, ContainerSizeInBytesNeverWraps) {
    const struct {
        std::uint64_t blocks;
        std::uint32_t expected; // the status thrown, or 1 when the size is returned
    } cases[] = {
        {std::uint64_t(1) << 32, 1},
        {(std::uint64_t(1) << 55) - 1, 1},
        {std::uint64_t(1) << 55, 6},
        {~std::uint64_t(0), 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.blocks);
        sim.update(0, [&](qorsim::Adapter& a) {
            a.containers.at(1).words[1] = static_cast<std::uint32_t>(c.blocks);
            a.containers.at(1).words[2] = static_cast<std::uint32_t>(c.blocks >> 32);
        });
        std::uint64_t bytes = 0;
        EXPECT_EQ(outcome([&] { return bytes = CT_GetContainerSize(ctx, 1), FSA_STS_SUCCESS; }),
                  c.expected);
        if (c.expected == 1) {
            EXPECT_EQ(bytes, c.blocks * 512);
        }
    }
}

TEST_F(SmallCommandsTest, VerifyTaskAndServiceList) {
    FSA_TASK_INFO info;
    std::memset(&info, 0x5A, sizeof info);
    answer(175, 218, 0);
    EXPECT_EQ(CtFindVerifyTask(ctx, &info), 0);
    EXPECT_EQ(info.state, 0u) << "the record is cleared";
    answer(175, 218, 1);
    EXPECT_EQ(CtFindVerifyTask(ctx, &info), 1);

    std::uint32_t count = 0;
    const FSA_PARTITION_CACHE_ELEMENT* list = nullptr;
    EXPECT_EQ(CT_SrvUpdatePartitionList(UtilHandleFromValue(1), &count, &list),
              FSA_STS_INVALID_HANDLE);
    ASSERT_EQ(CT_SrvUpdatePartitionList(handle, &count, &list), FSA_STS_SUCCESS);
    ASSERT_EQ(count, 2u); // the used extent and the free rest of the disk
    EXPECT_EQ(list[0].state, FSA_PCE_MEMORY_AND_DISK);
}

TEST_F(SmallCommandsTest, AVerifyTaskIsLookedForInFivePassesEvenWhenFoundAtOnce) {
    // Task 7 is the controller's verify (job 400), running.
    sim.update(0, [](qorsim::Adapter& a) {
        qorsim::Task verify;
        verify.id = 7;
        verify.jobCode = 400;
        verify.current = 250;
        a.tasks.push_back(verify);
    });
    answer(175, 218, 1);
    sim.clearJournal();
    FSA_TASK_INFO info{};
    EXPECT_EQ(CtFindVerifyTask(ctx, &info), 1);
    EXPECT_EQ(info.descriptor.taskId, 7u);
    EXPECT_EQ(info.state, 0u);
    std::size_t listings = 0;
    for (const auto& e : sim.journal())
        listings += e.aifRequest == 100;
    EXPECT_EQ(listings, 5u);
}

} // namespace
