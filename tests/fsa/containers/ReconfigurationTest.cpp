// Dead partitions and container reconfiguration against the simulated
// controller.
#include "Reconfiguration.h"
#include "ContainerCaches.h"
#include "ContainerFixture.h"
#include "CtChannel.h"
#include "FsaApi.h"
#include "HandleTable.h"
#include "PartitionFields.h"

#include <cstring>
#include <functional>
#include <utility>
#include <vector>

namespace {

// Disk 0 holds a dead member of container 0 (its own bit in the mask), a
// live one of container 1 and a locked dead member of container 2.
const char* kDisk = R"({"adapters": [{"index": 0, "serial": 9,
  "containers": {"count": 4, "list": [{"number": 0, "type": 3, "members": [1]}, {"number": 3, "type": 3, "members": [4]}]},
  "slices": [{"size": 10128, "drive": 0}],
  "partitions": [{"start": 0, "slice": 99},
    {"start": 128, "size": 100, "serial": 9, "slice": 0, "l0Type": 3, "l0Number": 0, "flags": 1, "deadMask": 1},
    {"start": 228, "size": 100, "serial": 9, "slice": 0, "l0Type": 3, "l0Number": 1, "flags": 1},
    {"start": 328, "size": 100, "serial": 9, "slice": 0, "l0Type": 3, "l0Number": 2, "flags": 2147483649,
     "deadMask": 1},
    {"start": 428, "size": 100, "serial": 9, "slice": 0, "l0Type": 3, "l0Number": 3, "flags": 1, "deadMask": 1}]}]})";

class ReconfigurationTest : public fsatest::OpenAdapterTest {
protected:
    std::string config() const override { return kDisk; }
};

TEST_F(ReconfigurationTest, RemoveDeadPartitions) {
    FSA_PARTITION only{};
    only.offset = 428u * 512;
    only.size = 100u * 512;
    sim.clearJournal();
    EXPECT_EQ(thrown([&] { CT_RemoveDeadPartitions(ctx, 0, &only); }), 285u) << "a locked one met";
    EXPECT_EQ(ctCommands(14), 1u) << "only the given partition";
    EXPECT_EQ(ctCommands(34), 1u) << "the configuration is reloaded";
    const auto snap = sim.snapshot(0);
    EXPECT_EQ(qorsim::get32(snap.partitions[4].data(), 32), 0u);
    EXPECT_NE(qorsim::get32(snap.partitions[1].data(), 32), 0u);
}

TEST_F(ReconfigurationTest, FailAndClearOnePartition) {
    EXPECT_EQ(thrown([&] { CT_SetDeadPartition(ctx, 0, 999, 1); }), 14u);
    EXPECT_EQ(thrown([&] { CT_SetDeadPartition(ctx, 0, 328, 100); }), 350u) << "locked";
    sim.registerContainer(72, [](qorsim::CtRequest& c) { c.reply[0] = 190; });
    EXPECT_EQ(thrown([&] { CT_SetDeadPartition(ctx, 0, 228, 100); }), 1u);
    EXPECT_EQ(thrown([&] { CT_ClearDeadPartition(ctx, 0, 228, 100); }), 1u);
    EXPECT_EQ(qorsim::get32(sim.snapshot(0).partitions[2].data(), 32), 0u);
}

TEST_F(ReconfigurationTest, FailEveryPartitionOfADisk) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> failed; // {container, member}
    sim.registerContainer(72, [&](qorsim::CtRequest& c) {
        failed.emplace_back(c.param[0], c.param[1]);
        c.reply[0] = 190;
    });
    // The locked member of container 2 is left alone and reported once the
    // others are failed.
    EXPECT_EQ(thrown([&] { CT_SetDeadPartitions(ctx, 0); }), 350u);
    EXPECT_EQ(failed,
              (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0, 0}, {1, 0}, {3, 0}}));

    failed.clear();
    sim.update(0, [](qorsim::Adapter& a) { qorsim::put32(a.partitions[3].data(), 112, 1); });
    CT_InvalidateCache(ctx);
    EXPECT_EQ(thrown([&] { CT_SetDeadPartitions(ctx, 0); }), 1u);
    EXPECT_EQ(failed.size(), 4u);
    // A controller that does not fail a partition stops the walk with 351.
    sim.registerContainer(72, [](qorsim::CtRequest& c) { c.reply[0] = 191; });
    EXPECT_EQ(thrown([&] { CT_SetDeadPartitions(ctx, 0); }), 351u);
    // A disk without partitions fails nothing.
    EXPECT_EQ(thrown([&] { CT_SetDeadPartitions(ctx, 5); }), 1u);
}

TEST_F(ReconfigurationTest, MorphRequest) {
    std::vector<std::uint8_t> request;
    std::uint32_t status = 253;
    sim.registerContainer(109, [&](qorsim::CtRequest& c) {
        request.assign(c.in, c.in + 72);
        c.reply[0] = status;
    });
    const tag_FSA_CONTAINER c0{0, 0, 9};
    EXPECT_EQ(thrown([&] { CT_MorphContainer(ctx, &c0, 2, 0, nullptr, 0, 0, 1); }), 323u);
    EXPECT_TRUE(request.empty()) << "nothing sent";
    EXPECT_EQ(thrown([&] { CT_MorphContainer(ctx, &c0, 2, 0, nullptr, 0, 0, 0); }), 1u);
    ASSERT_EQ(request.size(), 72u);
    std::uint32_t kind, mode;
    std::memcpy(&kind, request.data() + 4, 4);
    std::memcpy(&mode, request.data() + 20, 4);
    EXPECT_EQ(kind, 3u);
    EXPECT_EQ(mode, 1u);
    status = 254;
    EXPECT_EQ(thrown([&] { CT_MorphContainer(ctx, &c0, 2, 0, nullptr, 0, 0, 0); }), 323u);
    EXPECT_EQ(thrown([&] { CT_MorphContainer(ctx, &c0, 5, 0, nullptr, 0, 0, 0); }), 22u);
}

} // namespace
