// Container operation commands: the words each sends, its success status,
// the mapping of refused CT statuses and whether the caches go stale.
#include "ContainerOperations.h"
#include "ContainerCaches.h"
#include "ContainerFixture.h"
#include "FsaApi.h"
#include "HandleTable.h"

#include <atomic>
#include <functional>
#include <mutex>

namespace {

struct Sent {
    std::uint32_t w[3] = {};
};

class ContainerOperationsTest : public fsatest::ContainerTest {
protected:
    std::string config() const override {
        return R"({"adapters": [{"index": 0, "serial": 9, "slices": 1}]})";
    }
    // Command `cmd` answers `status`; returns what it was sent.
    std::shared_ptr<Sent> answer(std::uint32_t cmd, std::uint32_t status) {
        auto sent = std::make_shared<Sent>();
        sim.registerContainer(cmd, [sent, status](qorsim::CtRequest& c) {
            std::copy(c.param, c.param + 3, sent->w);
            c.reply[0] = status;
        });
        return sent;
    }
};

struct Case {
    const char* name;
    std::function<void(FSAAPI_CONTEXT*)> call;
    std::uint32_t command;
    std::uint32_t success;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> refused; // CT status -> FSA_STATUS
    bool invalidates;
    Sent sent; // words expected on success
};

const Case kCases[] = {
    {"move",
     [](FSAAPI_CONTEXT* c) { CT_MoveContainer(c, 1, 2); },
     21,
     64,
     {{3, 42}, {60, 11}, {61, 41}, {62, 11}, {63, 41}, {65, 43}},
     true,
     {{1, 2, 0}}},
    {"destroy",
     [](FSAAPI_CONTEXT* c) { CT_DestroyContainer(c, 4, 5, 1); },
     17,
     59,
     {{3, 42}, {0, 44}},
     true,
     {{4, 5, 2}}},
    {"delay",
     [](FSAAPI_CONTEXT* c) { CT_SetMirrorDelay(c, 4, 30); },
     25,
     0,
     {{1, 41}, {2, 44}},
     false,
     {{4, 30, 0}}},
    {"clear fs",
     [](FSAAPI_CONTEXT* c) { CT_ClearFileSystem(c, 4, 0); },
     59,
     153,
     {{154, 41}, {0, 45}},
     false,
     {{4, 64, 0}}},
    {"zero",
     [](FSAAPI_CONTEXT* c) { CT_Zero(c, 4); },
     59,
     159,
     {{153, 106}},
     false,
     {{4, 0xFFFFFFFF, 0}}},
    {"volume add 2",
     [](FSAAPI_CONTEXT* c) { CT_VolumeAdd2(c, 4, 5); },
     45,
     131,
     {{3, 42}, {2, 80}, {9, 46}},
     true,
     {{4, 5, 0}}},
    {"unmirror",
     [](FSAAPI_CONTEXT* c) { CT_UnMirror(c, 4); },
     24,
     89,
     {{3, 42}, {88, 51}},
     true,
     {{4, 0, 0}}},
    {"split",
     [](FSAAPI_CONTEXT* c) { CT_Split(c, 4, 5); },
     30,
     134,
     {{3, 42}, {135, 54}},
     true,
     {{4, 5, 0x12346789}}},
    {"split broken 2",
     [](FSAAPI_CONTEXT* c) { CT_SplitBrokenTwo(c, 4); },
     33,
     134,
     {{135, 54}},
     true,
     {{4, 0, 0}}},
    {"abort mirror",
     [](FSAAPI_CONTEXT* c) { CT_AbortMirror(c, 4); },
     54,
     147,
     {{144, 55}},
     false,
     {{4, 0, 0}}},
    {"failover pool",
     [](FSAAPI_CONTEXT* c) { CT_AssignFailover(c, 99, 7); },
     41,
     82,
     {{84, 49}},
     false,
     {{99, 7, 0}}},
    {"failover",
     [](FSAAPI_CONTEXT* c) { CT_ClearFailover(c, 4, 7); },
     42,
     82,
     {{84, 49}},
     false,
     {{4, 7, 2}}},
    {"read only",
     [](FSAAPI_CONTEXT* c) { CT_MakeReadOnly(c, 4); },
     51,
     141,
     {{142, 104}},
     false,
     {{4, 0, 0}}},
    {"promote",
     [](FSAAPI_CONTEXT* c) { CT_Promote(c, 4); },
     71,
     186,
     {{187, 108}, {188, 11}, {189, 22}, {5, 108}},
     true,
     {{4, 0, 0}}},
    {"scrub",
     [](FSAAPI_CONTEXT* c) { CT_ScrubContainer(c, 4); },
     61,
     163,
     {{166, 96}, {168, 41}, {176, 97}, {1, 98}},
     false,
     {{4, 0, 0}}},
    {"check 2",
     [](FSAAPI_CONTEXT* c) { CT_Check2Container(c, 4); },
     142,
     163,
     {{166, 364}, {168, 41}, {176, 365}, {1, 366}},
     false,
     {{4, 0, 0}}},
    {"copy",
     [](FSAAPI_CONTEXT* c) { CT_Copy(c, 1, 2); },
     48,
     24,
     {{16, 101}, {17, 101}, {1, 102}},
     false,
     {{1, 2, 0}}},
    {"flush",
     [](FSAAPI_CONTEXT* c) { CT_FlushContainer(c, 4); },
     143,
     314,
     {{218, 41}},
     false,
     {{4, 0, 0}}},
    {"offline",
     [](FSAAPI_CONTEXT* c) { CT_OfflineContainer(c, 4); },
     134,
     309,
     {{218, 365}},
     false,
     {{4, 0, 0}}},
    {"restart morph",
     [](FSAAPI_CONTEXT* c) { CT_RestartMorph(c, 4); },
     149,
     253,
     {{254, 323}, {255, 324}, {256, 41}, {260, 91}, {261, 31}, {331, 496}, {332, 497}},
     false,
     {{4, 0, 0}}},
    {"lock",
     [](FSAAPI_CONTEXT* c) { CT_LockContainer(c, 4); },
     50,
     11,
     {{12, 56}},
     false,
     {{4, 0, 0}}},
    {"unlock",
     [](FSAAPI_CONTEXT* c) { CT_UnlockContainer(c, 4); },
     49,
     13,
     {{12, 57}},
     false,
     {{4, 0, 0}}},
    {"snapshot",
     [](FSAAPI_CONTEXT* c) { CT_MakeSnapshot(c, 1, 2, 3, 4, 5, 0); },
     104,
     232,
     {{3, 42}, {242, 245}, {250, 190}, {327, 472}, {233, 183}},
     true,
     {{0, 0, 0}}},
};

TEST_F(ContainerOperationsTest, EachOperationSendsItsWordsAndMapsRefusals) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        ctx->containerCaches->valid.store(true);
        auto sent = answer(c.command, c.success);
        EXPECT_NO_THROW(c.call(ctx));
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(sent->w[i], c.sent.w[i]) << "word " << i;
        EXPECT_EQ(ctx->containerCaches->valid.load(), !c.invalidates);
        for (const auto& [ct, fsa] : c.refused) {
            ctx->containerCaches->valid.store(true);
            answer(c.command, ct);
            try {
                c.call(ctx);
                ADD_FAILURE() << "CT status " << ct << " must be refused";
            } catch (FSA_STATUS s) {
                EXPECT_EQ(s, FSA_STATUS(fsa)) << "CT status " << ct;
            }
            EXPECT_TRUE(ctx->containerCaches->valid.load()) << "a refusal leaves the caches";
        }
    }
}

TEST_F(ContainerOperationsTest, SnapshotRequestOrderAndMarker) {
    std::vector<std::uint32_t> request;
    sim.registerContainer(104, [&](qorsim::CtRequest& c) {
        request.assign(reinterpret_cast<const std::uint32_t*>(c.in),
                       reinterpret_cast<const std::uint32_t*>(c.in) + 10);
        c.reply[0] = 232;
    });
    CT_MakeSnapshot(ctx, 1, 2, 3, 4, 5, 0);
    EXPECT_EQ(request, (std::vector<std::uint32_t>{1, 2, 3, 5, 4, 0x12346789, 0, 0, 0, 0}));
    CT_MakeSnapshot(ctx, 1, 2, 3, 4, 5, 6);
    EXPECT_EQ(request[5], 6u);
}

TEST_F(ContainerOperationsTest, TransportFailureIsThrownAsItIs) {
    qorsim::Fault f;
    f.ctCommand = 21;
    f.mutateReply = [](std::uint8_t* fib) { qorsim::put32(fib, 32, 5); }; // bad response word
    sim.inject(f);
    try {
        CT_MoveContainer(ctx, 1, 2);
        ADD_FAILURE();
    } catch (FSA_STATUS s) {
        EXPECT_EQ(s, FSA_STS_CT_BAD_RESPONSE);
    }
}

TEST_F(ContainerOperationsTest, DelayAndFailoverCount) {
    sim.registerContainer(58, [](qorsim::CtRequest& c) { c.reply[1] = 45; });
    std::uint32_t delay = 0;
    CT_GetContainerDelay(ctx, 4, &delay);
    EXPECT_EQ(delay, 45u);

    const struct {
        std::vector<std::uint32_t> tags;
        std::uint32_t readStatus;
        std::uint32_t count;
    } cases[] = {
        {std::vector<std::uint32_t>(64, 0x1FA11FA1), 208, 64},
        {{0x00092755, 0, 0x1FA11FA1, 7}, 208, 2},
        {std::vector<std::uint32_t>(64, 0x1FA11FA1), 207, 0}, // the read fails
    };
    for (const auto& c : cases) {
        sim.registerContainer(90, [&c](qorsim::CtRequest& r) {
            r.data.assign(512, 0);
            for (std::size_t i = 0; i < c.tags.size(); ++i)
                qorsim::put32(r.data.data(), 8 * i, c.tags[i]);
            r.reply[0] = c.readStatus;
        });
        EXPECT_EQ(CT_GetSliceFailoverCount(ctx, 0), c.count);
    }
}

} // namespace
