// The container commands that reshape a container of partitions: what each
// does to the model, and how each refuses what it cannot do (leaving the
// model as it was).
#include "qorsim/ModelDiff.h"
#include "qorsim/Simulator.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <vector>

namespace {

using namespace qorsim;

// Volume 1 on disk 0, mirror 3 on disks 1 and 2, disk 3 free; a small
// disk 4 with no room for another 65536 blocks.
const char* kConfig = R"({"adapters": [{"index": 0, "serial": 9,
  "drives": [{"bus": 0, "target": 0}, {"bus": 0, "target": 1}, {"bus": 0, "target": 2},
             {"bus": 0, "target": 3}, {"bus": 0, "target": 4}],
  "slices": [{"size": 200000, "drive": 0}, {"size": 200000, "drive": 1},
             {"size": 200000, "drive": 2}, {"size": 200000, "drive": 3},
             {"size": 60000, "drive": 4}],
  "partitions": [{"start": 0, "size": 10, "serial": 9, "slice": 98},
                 {"start": 128, "size": 65536, "serial": 9, "slice": 0, "l0Type": 1,
                  "l0Number": 1, "l0Members": 1, "flags": 1},
                 {"start": 128, "size": 65536, "serial": 9, "slice": 1, "l0Type": 2,
                  "l0Number": 3, "l0Members": 2, "flags": 1, "mirrorKind": 2},
                 {"start": 128, "size": 65536, "serial": 9, "slice": 2, "l0Type": 2,
                  "l0Number": 3, "l0Members": 2, "memberIndex": 1, "flags": 1,
                  "mirrorKind": 2}],
  "containers": {"count": 32, "firstHidden": 24,
                 "list": [{"number": 1, "type": 1, "members": [1]},
                          {"number": 3, "type": 2, "members": [2, 3]}]}}]})";

constexpr std::size_t kCtData = kFibHeader + 32;

class Reshape : public ::testing::Test {
protected:
    void SetUp() override {
        sim.load(kConfig);
        fd = sim.open("/dev/qor0", O_RDWR, 0);
        ASSERT_GE(fd, 0);
    }
    void TearDown() override { sim.close(fd); }

    // Sends container command `command`: its CT status.
    std::uint32_t send(std::uint32_t command, std::uint32_t w0, std::uint32_t w1 = 0,
                       std::uint32_t w2 = 0, const std::vector<std::uint8_t>& data = {}) {
        std::uint8_t fib[kFibBytes] = {};
        put16(fib, kCommand, 500);
        put16(fib, kSize, static_cast<std::uint16_t>(kFibBytes));
        const std::uint32_t words[] = {2, command, w0, w1, w2};
        for (std::size_t i = 0; i < 5; ++i)
            put32(fib, kFibHeader + 4 * i, words[i]);
        if (!data.empty())
            std::memcpy(fib + kCtData, data.data(), data.size());
        EXPECT_EQ(sim.ioctl(fd, kSendFib, fib), 0);
        EXPECT_EQ(get32(fib, kFibHeader), 0u) << "command " << command << " not accepted";
        return get32(fib, kFibHeader + 8);
    }
    const Adapter model() { return sim.snapshot(0); }
    static std::uint32_t field(const Adapter& a, std::uint32_t entry, std::size_t at) {
        return get32(a.partitions.at(entry).data(), at);
    }
    static std::uint32_t u16(const Adapter& a, std::uint32_t entry, std::size_t at) {
        return get16(a.partitions.at(entry).data(), at);
    }

    Simulator sim;
    int fd = -1;
};

std::vector<std::uint8_t> morphRequest(std::uint32_t container, std::uint32_t kind,
                                       std::uint32_t chunk, std::uint32_t size, std::uint32_t mode,
                                       std::vector<std::uint8_t> slices) {
    std::vector<std::uint8_t> r(72);
    const std::uint32_t words[] = {container, kind, static_cast<std::uint32_t>(slices.size()),
                                   chunk,     size, mode};
    for (std::size_t i = 0; i < 6; ++i)
        put32(r.data(), 4 * i, words[i]);
    std::copy(slices.begin(), slices.end(), r.begin() + 24);
    return r;
}

// Each refusal answers its status and leaves the model as it was.
TEST_F(Reshape, RefusalsChangeNothing) {
    struct Case {
        const char* what;
        std::uint32_t command, w0, w1, w2;
        std::vector<std::uint8_t> data;
        std::uint32_t status;
    };
    const Case cases[] = {
        {"read only, unknown container", 51, 7, 0, 0, {}, 142},
        {"unmirror a volume", 24, 1, 0, 0, {}, 88},
        {"split without the marker", 30, 3, 5, 0, {}, 219},
        {"split a volume", 30, 1, 5, 0x12346789, {}, 135},
        {"split into an existing container", 30, 3, 1, 0x12346789, {}, 137},
        {"mirror a mirror", 26, 3, 3, 0, {}, 41},
        {"mirror onto a missing disk", 26, 1, 9, 0, {}, 42},
        {"mirror onto a disk too small", 26, 1, 4, 0, {}, 291},
        {"promote an unknown container", 71, 7, 0, 0, {}, 188},
        {"add to a mirror", 44, 3, 3, 65536, {}, 5},
        {"add on a missing disk", 44, 1, 9, 65536, {}, 4},
        {"add more than the disk holds", 44, 1, 4, 65536, {}, 9},
        {"morph an unknown container", 109, 0, 0, 0, morphRequest(7, 3, 128, 0, 2, {3}), 256},
        {"morph to RAID-10", 109, 0, 0, 0, morphRequest(1, 9, 128, 0, 2, {3}), 261},
        {"morph adding no disk", 109, 0, 0, 0, morphRequest(1, 3, 128, 0, 2, {}), 332},
        {"morph to a stripe without a chunk", 109, 0, 0, 0, morphRequest(1, 3, 0, 0, 2, {3}), 255},
        {"morph to a mirror of three", 109, 0, 0, 0, morphRequest(1, 2, 0, 0, 2, {2, 3}), 258},
        {"morph onto a disk too small", 109, 0, 0, 0, morphRequest(1, 3, 128, 0, 2, {3, 4}), 331},
    };
    for (const Case& c : cases) {
        const Adapter before = model();
        EXPECT_EQ(send(c.command, c.w0, c.w1, c.w2, c.data), c.status) << c.what;
        EXPECT_EQ(describeDifferences(compareModels(before, model())), "") << c.what;
    }
}

TEST_F(Reshape, PromoteMovesThePartitionsToAHiddenContainer) {
    ASSERT_EQ(send(71, 3), 186u);
    const Adapter a = model();
    ASSERT_TRUE(a.containers.count(31));
    EXPECT_EQ(a.containers.at(31).type, 2u);
    EXPECT_EQ(a.containers.at(31).members, (std::vector<std::uint32_t>{2, 3}));
    for (std::uint32_t entry : {2u, 3u}) {
        EXPECT_EQ(u16(a, entry, 52), 31u);  // level 0: the hidden mirror
        EXPECT_EQ(field(a, entry, 68), 1u); // level 1: the volume 3
        EXPECT_EQ(u16(a, entry, 72), 3u);
    }
    const auto& top = a.containers.at(3);
    EXPECT_EQ(top.type, 1u);
    ASSERT_EQ(top.members.size(), 1u);
    EXPECT_EQ(field(a, top.members[0], 24), 0u); // a stand-in without an extent
    EXPECT_EQ(field(a, top.members[0], 40), 31u);
    // A promoted container's members are containers: it cannot be promoted again.
    EXPECT_EQ(send(71, 3), 189u);
}

TEST_F(Reshape, MirrorUnmirrorAndSplitKeepEntriesConsistent) {
    // Mirroring volume 1 onto disk 3 places the second side after the
    // reserved blocks and starts the copy.
    ASSERT_EQ(send(26, 1, 3), 37u);
    Adapter a = model();
    EXPECT_EQ(a.containers.at(1).type, 2u);
    const std::uint32_t second = a.containers.at(1).members.at(1);
    EXPECT_EQ(field(a, second, 24), 128u);
    EXPECT_EQ(field(a, second, 40), 3u);
    for (std::uint32_t entry : a.containers.at(1).members) {
        EXPECT_EQ(field(a, entry, 100), 2u); // both sides in sync, as listed
        EXPECT_EQ(u16(a, entry, 56), 2u);
    }
    ASSERT_EQ(a.tasks.size(), 1u);
    EXPECT_EQ(a.tasks[0].objectId, 1u);

    // Splitting it makes the second side container 5 of its own.
    ASSERT_EQ(send(30, 1, 5, 0x12346789), 134u);
    a = model();
    EXPECT_EQ(a.containers.at(1).members, (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(a.containers.at(5).members, (std::vector<std::uint32_t>{second}));
    EXPECT_EQ(u16(a, second, 52), 5u);
    EXPECT_EQ(field(a, second, 100), 0u);

    // Unmirroring mirror 3 frees its second side.
    ASSERT_EQ(send(24, 3), 89u);
    a = model();
    EXPECT_EQ(a.containers.at(3).type, 1u);
    EXPECT_EQ(a.containers.at(3).members, (std::vector<std::uint32_t>{2}));
    EXPECT_EQ(field(a, 3, 32), 0u);
}

TEST_F(Reshape, VolumeAddAndMorphPlaceNewPartitionsInFreeSpace) {
    // Twice on disk 0: after volume 1's partition, then after that one.
    ASSERT_EQ(send(44, 1, 0, 4096), 131u);
    ASSERT_EQ(send(44, 1, 0, 4096), 131u);
    Adapter a = model();
    const auto& members = a.containers.at(1).members;
    ASSERT_EQ(members.size(), 3u);
    EXPECT_EQ(field(a, members[1], 24), 128u + 65536u);
    EXPECT_EQ(field(a, members[2], 24), 128u + 65536u + 4096u);
    for (std::uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(u16(a, members[i], 56), 3u);
        EXPECT_EQ(u16(a, members[i], 60), i);
    }

    // Mirror 3 morphed into a RAID-5 set of three with disk 3 added: the
    // new partition matches the others, the chunk is kept, a task runs.
    ASSERT_EQ(send(109, 0, 0, 0, morphRequest(3, 4, 128, 0, 2, {3})), 253u);
    a = model();
    const auto& raid = a.containers.at(3);
    EXPECT_EQ(raid.type, 4u);
    ASSERT_EQ(raid.members.size(), 3u);
    EXPECT_EQ(raid.words.at(133), 128u);
    for (std::uint32_t i = 0; i < 3; ++i) {
        EXPECT_EQ(field(a, raid.members[i], 48), 4u);
        EXPECT_EQ(field(a, raid.members[i], 28), 65536u);
        EXPECT_EQ(u16(a, raid.members[i], 60), i);
        EXPECT_EQ(field(a, raid.members[i], 100), 0u);
    }
    EXPECT_EQ(a.tasks.size(), 1u);

    // Given as the complete member list, the old partitions go.
    const std::uint32_t old = raid.members[0];
    ASSERT_EQ(send(109, 0, 0, 0, morphRequest(3, 1, 0, 0, 4, {3})), 253u);
    a = model();
    ASSERT_EQ(a.containers.at(3).members.size(), 1u);
    EXPECT_EQ(field(a, a.containers.at(3).members[0], 28), 131072u); // holds the data
    EXPECT_EQ(field(a, old, 32), 0u);
}

TEST_F(Reshape, ReadOnlyIsSetAndCleared) {
    ASSERT_EQ(send(51, 1), 141u);
    EXPECT_TRUE(model().containers.at(1).readOnly);
    ASSERT_EQ(send(52, 1), 141u);
    EXPECT_FALSE(model().containers.at(1).readOnly);
}

// UNLOCK_CONTAINER lifts a lock-drain: a drained container takes I/O again;
// one that is not drained, or already offline, and an unknown one are
// refused with the model unchanged.
TEST_F(Reshape, UnlockLiftsALockDrain) {
    EXPECT_EQ(send(49, 1), 2u);  // CT_CONTAINER_NOT_LOCKED
    EXPECT_EQ(send(49, 7), 12u); // CT_NO_CONTAINER
    EXPECT_EQ(send(133, 1), 308u);
    EXPECT_TRUE(model().containers.at(1).drained);
    EXPECT_EQ(send(49, 1), 13u); // CT_UNLOCK_OK
    EXPECT_FALSE(model().containers.at(1).drained);
    EXPECT_EQ(send(133, 3), 308u);
    EXPECT_EQ(send(134, 3), 309u);
    EXPECT_EQ(send(49, 3), 2u);
    EXPECT_TRUE(model().containers.at(3).drained);
    EXPECT_TRUE(model().containers.at(3).offline);
}

} // namespace
