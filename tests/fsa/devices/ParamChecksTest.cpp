// Container and drive state checks against the simulated controller.
#include "ParamChecks.h"
#include "ContextFixture.h"
#include "PckServices.h"

#include <gtest/gtest.h>

namespace {

// Containers 0..4 and 7: a volume, a mirror (flag bit 28), a stripe of
// mirrors, a snapshot pair naming each other, and a container of containers
// whose member container has no partition. 6 and up are hidden.
const char* kConfig = R"({"adapters": [{"index": 0, "serial": 4660,
  "containers": {"count": 8, "firstHidden": 6, "list": [
    {"number": 0, "type": 1, "members": [1]},
    {"number": 1, "type": 2, "members": [2, 3], "stateFlags": 268435456},
    {"number": 2, "type": 4, "members": [4]},
    {"number": 3, "type": 5, "snapshotLinks": [0, 4, 3]},
    {"number": 4, "type": 6, "snapshotLinks": [3, 1, 4]},
    {"number": 5, "type": 2, "members": [5]},
    {"number": 7, "type": 1, "members": [0]}]},
  "partitions": [
    [0],
    [1, 0, 0, 0, 0, 0, 128, 2048, 4660, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 5,
     0, 0, 0, 0, 0, 0, 0, 0, 1],
    [2, 0, 0, 0, 0, 0, 128, 2048, 0, 0, 0, 0, 2, 0, 0, 0, 1],
    [3, 0, 0, 0, 0, 0, 128, 2048, 0, 0, 0, 0, 2],
    [4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 4],
    [5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 7, 0, 2]],
  "tasks": [{"id": 9, "job": 101, "object": 1}, {"id": 10, "job": 2, "object": 130}],
  "hostDisks": [{"container": 0, "locked": true}]
}]})";

class ParamChecks : public fsatest::ContextTest {
protected:
    std::string config() const override { return kConfig; }
};

struct ContainerCase {
    const char* what;
    std::uint32_t container;
    std::uint64_t mask;
    std::uint32_t status;
    int valid;
};

TEST_F(ParamChecks, ContainerQuestionsInOrder) {
    const ContainerCase cases[] = {
        {"above the highest number", 8, 0, 41, 1},
        {"hidden", 6, PCK_BIT(10), 173, 0},
        {"hidden but not asked", 7, 0, 1, 1},
        {"missing", 6, 0, 11, 0},
        {"exists", 0, PCK_BIT(8), 153, 1},
        {"plain volume passes every record question", 0,
         PCK_BIT(4) | PCK_BIT(7) | PCK_BIT(14) | PCK_BIT(20) | PCK_BIT(24) | PCK_BIT(30), 1, 1},
        {"flag bit 28", 1, PCK_BIT(4), 143, 1},
        {"flag bit 28 clear", 0, PCK_BIT(5), 144, 1},
        {"not a volume", 1, PCK_BIT(7), 151, 1},
        {"not a snapshot", 0, PCK_BIT(15), 185, 1},
        {"a snapshot", 3, PCK_BIT(14), 186, 1},
        {"type 4", 2, PCK_BIT(20), 223, 1},
        {"tasks on the container", 1, PCK_BIT(6), 145, 1},
        {"a kind-3 task", 1, PCK_BIT(18), 205, 1},
        {"no tasks", 0, PCK_BIT(6) | PCK_BIT(18), 1, 1},
        {"open on the host", 0, PCK_BIT(17), 93, 1},
        {"open on the host (bit 36)", 0, PCK_BIT(36), 547, 1},
        {"not open on the host", 1, PCK_BIT(17) | PCK_BIT(29), 1, 1},
        {"host layer has no dynamic or fault-tolerant disks", 0,
         PCK_BIT(23) | PCK_BIT(32) | PCK_BIT(33) | PCK_BIT(34) | PCK_BIT(35) | PCK_BIT(25), 1, 1},
        {"snapshot with bit 2", 3, PCK_BIT(2), 107, 1},
        {"snapshot pair with mask 0", 3, 0, 1, 1},
        {"snapshot source: its related mirror has tasks", 4, PCK_BIT(6), 145, 1},
        {"snapshot source: the member questions are not asked", 4, PCK_BIT(1), 1, 1},
        {"member containers with bit 2", 2, PCK_BIT(2), 107, 1},
        {"no member containers with bit 1", 1, PCK_BIT(1), 141, 1},
        {"member containers with bit 1", 2, PCK_BIT(1), 1, 1},
        {"no flagged member", 0, PCK_BIT(27), 405, 1},
        {"a flagged member", 1, PCK_BIT(27), 1, 1},
        {"last partition's twentieth word", 0, PCK_BIT(3), 142, 1},
        {"member container without partition", 5, 0, 128, 0},
        {"remembered type is 2 (mirror)", 2, PCK_BIT(12) | PCK_BIT(13), 1, 1},
        {"own type is not 2", 0, PCK_BIT(12), 103, 1},
        {"own type is neither 2 nor 4", 0, PCK_BIT(13), 180, 1},
        {"member count below the limit", 0, PCK_BIT(11), 1, 1},
        {"in no disk set", 0, PCK_BIT(31), 1, 1},
    };
    for (const ContainerCase& c : cases) {
        int valid = -1;
        EXPECT_EQ(PCK_ContainerIsRet(ctx(), c.container, c.mask, &valid), c.status) << c.what;
        EXPECT_EQ(valid, c.valid) << c.what;
    }
}

TEST_F(ParamChecks, ContainerVerdictByMode) {
    EXPECT_FALSE(PCK_ContainerIs(ctx(), 0, PCK_BIT(7), FSA_RETURN_ON_FAILURE));
    EXPECT_TRUE(PCK_ContainerIs(ctx(), 8, 0, FSA_RETURN_ON_FAILURE));  // 41 keeps valid
    EXPECT_FALSE(PCK_ContainerIs(ctx(), 6, 0, FSA_RETURN_ON_FAILURE)); // 11 clears it
    EXPECT_TRUE(PCK_ContainerIs(ctx(), 1, PCK_BIT(7), FSA_RETURN_ON_FAILURE));
    EXPECT_EQ(thrown([&] { PCK_ThrowIfContainerIs(ctx(), 6, 0); }), 11u);
    EXPECT_EQ(thrown([&] { PCK_ContainerIs(ctx(), 1, PCK_BIT(4), FSA_THROW_ON_FAILURE); }), 143u);
    EXPECT_EQ(thrown([&] { PCK_ThrowIfContainerIs(ctx(), 0, PCK_BIT(7)); }), 1u);
}

TEST_F(ParamChecks, ControllerFailureIsThrown) {
    failNext(On::Container, 178);
    EXPECT_NE(thrown([&] {
                  int valid = 0;
                  PCK_ContainerIsRet(ctx(), 0, 0, &valid);
              }),
              1u);
}

TEST_F(ParamChecks, DriveTasks) {
    EXPECT_TRUE(PCK_ScsiDeviceIs(ctx(), 130, 1, FSA_RETURN_ON_FAILURE));
    EXPECT_FALSE(PCK_ScsiDeviceIs(ctx(), 130, 2, FSA_RETURN_ON_FAILURE));
    EXPECT_FALSE(PCK_ScsiDeviceIs(ctx(), 131, 1, FSA_RETURN_ON_FAILURE));
    EXPECT_EQ(thrown([&] { PCK_ThrowIfScsiDeviceIs(ctx(), 130, 1); }), 270u);
    EXPECT_EQ(thrown([&] { PCK_ThrowIfScsiDeviceIs(ctx(), 131, 1); }), 1u);
}

TEST_F(ParamChecks, ChunkSize) {
    // The simulator: chunks of 8 KiB to 1 MiB in steps of 8 KiB.
    struct Case {
        std::uint32_t chunk;
        std::uint64_t size;
        std::uint32_t status;
    } cases[] = {
        {1u << 20, 16u << 20, 1},
        {8192, 8192 * 3, 1},
        {4096, 4096, 26},
        {(1u << 20) + 8192, 0, 26},
        {12288, 12288, 26},
        {65536, 65536 + 8192, 26},
        {0, 0, 26},
    };
    for (const Case& c : cases)
        EXPECT_EQ(thrown([&] { EXPECT_EQ(PCK_ValidateChunkSize(ctx(), c.chunk, c.size), 0); }),
                  c.status)
            << c.chunk << " " << c.size;
}

TEST_F(ParamChecks, NoFileSystemTaskListing) {
    EXPECT_EQ(PCK_ValidateNoFSTaskIsRunning(ctx()), FSA_STS_SUCCESS);
    sim.update(0, [](qorsim::Adapter& a) {
        for (std::uint32_t i = 0; i < 30; ++i)
            a.tasks.push_back({100 + i, 101, 0});
    });
    EXPECT_EQ(PCK_ValidateNoFSTaskIsRunning(ctx()), FSA_STS_BUFFER_TOO_SMALL);
    failNext(On::Aif, 100);
    EXPECT_NE(thrown([&] { PCK_ValidateNoFSTaskIsRunning(ctx()); }), 1u);
}

TEST_F(ParamChecks, Buffers) {
    unsigned char b[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(PCK_ValidateReadonlyBuffer(b, sizeof b, FSA_THROW_ON_FAILURE), 1);
    EXPECT_EQ(b[7], 8);
    EXPECT_EQ(PCK_ValidateAndZeroBuffer(b, 6, FSA_THROW_ON_FAILURE), 1);
    EXPECT_EQ(b[5], 0);
    EXPECT_EQ(b[6], 7);
}

} // namespace
