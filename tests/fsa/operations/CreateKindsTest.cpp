// Primary containers of every layout on disks as large as the controller's
// 32-bit block counts allow: sizes that do not fit are refused before the
// controller is asked; names, parameters and the step after creation.
#include "FsaCache.h"
#include "FsaContainerInfo.h"
#include "FsaContainerOps.h"
#include "HandleTable.h"
#include "OpsFixture.h"
#include "ParamChecks.h"

#include <cstring>
#include <memory>

namespace {

// Six disks (drives 1 to 6) of 2^31 + 128 blocks: a data area of 2^31
// blocks (2^40 bytes) each. The host knows containers 0 to 7 as disks.
const char* kWideDisks = R"({"adapters": [{"index": 0, "serial": 9,
  "slices": [{"size": 2147483776, "drive": 1}, {"size": 2147483776, "drive": 2},
             {"size": 2147483776, "drive": 3}, {"size": 2147483776, "drive": 4},
             {"size": 2147483776, "drive": 5}, {"size": 2147483776, "drive": 6}],
  "containers": {"count": 32, "firstHidden": 24},
  "hostDisks": [{"container": 0, "instance": 3}, {"container": 1, "instance": 3, "target": 1},
                {"container": 2, "instance": 3, "target": 2},
                {"container": 3, "instance": 3, "target": 3},
                {"container": 4, "instance": 3, "target": 4},
                {"container": 5, "instance": 3, "target": 5},
                {"container": 6, "instance": 3, "target": 6},
                {"container": 7, "instance": 3, "target": 7}]}]})";

constexpr std::uint64_t kMiB = 1 << 20;
constexpr std::uint64_t kDataStart = 65536; // block 128
constexpr std::uint64_t kWhole = std::uint64_t(1) << 40;

FSA_STORAGE_DEVICE_SPACE extent(std::uint8_t target, std::uint64_t offset, std::uint64_t size) {
    FSA_STORAGE_DEVICE_SPACE s{};
    s.device.scsi.target = target;
    s.device.scsi.adapterSerial = 9;
    s.offset = offset;
    s.size = size;
    return s;
}

std::vector<FSA_STORAGE_DEVICE_SPACE> extents(unsigned count, std::uint64_t size) {
    std::vector<FSA_STORAGE_DEVICE_SPACE> v;
    for (unsigned i = 0; i < count; ++i)
        v.push_back(extent(static_cast<std::uint8_t>(i + 1), kDataStart, size));
    return v;
}

class CreateKinds : public fsatest::OpsTest {
protected:
    CreateKinds() : OpsTest(kWideDisks) {}
    std::size_t sent(int command) {
        std::size_t n = 0;
        for (const auto& e : sim.journal())
            n += e.ctCommand == command;
        return n;
    }
    // The sizes of container n's partitions in the model, in blocks.
    std::vector<std::uint32_t> partitionSizes(std::uint32_t n) {
        const qorsim::Adapter a = sim.snapshot(0);
        std::vector<std::uint32_t> sizes;
        for (std::uint32_t entry : a.containers.at(n).members)
            sizes.push_back(qorsim::get32(a.partitions.at(entry).data(), 28));
        return sizes;
    }
};

TEST_F(CreateKinds, SizesBeyondThirtyTwoBitsOfBlocksAreRefusedBeforeTheControllerIsAsked) {
    struct Case {
        const char* what;
        std::uint32_t type;
        unsigned count;
        std::uint64_t size;
        FSA_STATUS status;
    } cases[] = {
        {"stripe of two whole disks", 2, 2, kWhole, FSA_STS_BAD_ARGUMENTS},
        {"volume set of two whole disks", 3, 2, kWhole, FSA_STS_BAD_ARGUMENTS},
        {"RAID-5 of three whole disks", 7, 3, kWhole, FSA_STS_BAD_ARGUMENTS},
        {"RAID-10 of four whole disks", 25, 4, kWhole, FSA_STS_BAD_ARGUMENTS},
        {"RAID-50 of six whole disks", 27, 6, kWhole, FSA_STS_BAD_ARGUMENTS},
        {"RAID-5 of five 2^39-byte extents", 7, 5, kWhole / 2, FSA_STS_BAD_ARGUMENTS},
        // The counts that checks before the size keep their statuses.
        {"RAID-5 of two whole disks", 7, 2, kWhole, FSA_STATUS(211)},
        {"RAID-10 of three whole disks", 25, 3, kWhole, FSA_STATUS(523)},
        {"RAID-50 of four whole disks", 27, 4, kWhole, FSA_STATUS(543)},
    };
    tag_FSA_CONTAINER made{};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        sim.clearJournal();
        const auto spaces = extents(k.count, k.size);
        EXPECT_EQ(FsaCreatePrimaryContainer(handle, &made, k.type, nullptr, k.count, spaces.data(),
                                            65536, nullptr),
                  k.status);
        EXPECT_EQ(sent(179), 0u);
        EXPECT_TRUE(sim.snapshot(0).containers.empty());
    }
}

TEST_F(CreateKinds, TheLargestSizesThatFitAreCreatedWhole) {
    // Two extents one 64 KB step short of a whole disk: 2^32 - 256 blocks.
    const auto stripe = extents(2, kWhole - 65536);
    tag_FSA_CONTAINER made{};
    ASSERT_EQ(
        FsaCreatePrimaryContainer(handle, &made, 2, nullptr, 2, stripe.data(), 65536, nullptr),
        FSA_STS_SUCCESS);
    EXPECT_EQ(partitionSizes(made.containerNumber),
              (std::vector<std::uint32_t>{0x7FFFFF80u, 0x7FFFFF80u}));
}

TEST_F(CreateKinds, LayoutsOfPairsAndGroupsEndToEnd) {
    struct Case {
        const char* what;
        std::uint32_t type;
        unsigned count;
        std::uint32_t ctrType;
        std::uint32_t extendedType;
    } cases[] = {
        // A mirror is described (and listed) only with its sides' state.
        {"mirror", 1, 2, 2, 1},
        {"RAID-10", 25, 4, 3, 13},
        {"volume of mirrors", 24, 4, 1, 15},
        {"RAID-50 of two groups of three", 27, 6, 3, 26},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        sim.update(0, [](qorsim::Adapter& a) {
            a.containers.clear();
            a.partitions.clear();
        });
        const auto spaces = extents(k.count, 16 * kMiB);
        tag_FSA_CONTAINER made{};
        ASSERT_EQ(FsaCreatePrimaryContainer(handle, &made, k.type, nullptr, k.count, spaces.data(),
                                            65536, nullptr),
                  FSA_STS_SUCCESS);
        const qorsim::Adapter a = sim.snapshot(0);
        ASSERT_TRUE(a.containers.count(made.containerNumber));
        EXPECT_EQ(a.containers.at(made.containerNumber).type, k.ctrType);
        std::vector<std::uint8_t> buffer(FSA_CONTAINER_INFO_MAX_BYTES);
        auto* info = reinterpret_cast<FSA_CONTAINER_INFO*>(buffer.data());
        ASSERT_EQ(FsaGetContainerInfo(handle, 0, &made, info, FSA_CONTAINER_INFO_MAX_BYTES),
                  FSA_STS_SUCCESS);
        EXPECT_EQ(info->extendedType, k.extendedType);
        // Every extent is a partition of 16 MiB on its own disk.
        std::uint32_t onDisks = 0;
        for (const auto& e : a.partitions)
            if (qorsim::get32(e.data(), 24) == 128 && qorsim::get32(e.data(), 28) == 32768)
                ++onDisks;
        EXPECT_EQ(onDisks, k.count);
    }
}

TEST_F(CreateKinds, OlderControllersTakeTheOlderLayoutOrRefuse) {
    sim.update(0, [](qorsim::Adapter& a) { a.olderCreateLayout = true; });
    tag_FSA_CONTAINER made{};
    const auto four = extents(4, 16 * kMiB);
    ASSERT_EQ(FsaCreatePrimaryContainer(handle, &made, 25, nullptr, 4, four.data(), 65536, nullptr),
              FSA_STS_SUCCESS);
    EXPECT_EQ(sim.snapshot(0).containers.at(made.containerNumber).type, 3u);
    EXPECT_EQ(partitionSizes(made.containerNumber).size(), 2u); // two mirrors
    // One pair of mirrors fits the older record; two do not.
    const auto two = std::vector<FSA_STORAGE_DEVICE_SPACE>{extent(5, kDataStart, 16 * kMiB),
                                                           extent(6, kDataStart, 16 * kMiB)};
    ASSERT_EQ(FsaCreatePrimaryContainer(handle, &made, 24, nullptr, 2, two.data(), 65536, nullptr),
              FSA_STS_SUCCESS);
    EXPECT_EQ(sim.snapshot(0).containers.at(made.containerNumber).type, 1u);
    const auto pairs = extents(4, 32 * kMiB);
    std::vector<FSA_STORAGE_DEVICE_SPACE> later;
    for (auto s : pairs) {
        s.offset = 64 * kMiB;
        later.push_back(s);
    }
    EXPECT_EQ(
        FsaCreatePrimaryContainer(handle, &made, 24, nullptr, 4, later.data(), 65536, nullptr),
        FSA_STATUS(522));
    // The older controller knows no RAID-50.
    std::vector<FSA_STORAGE_DEVICE_SPACE> six = extents(6, 16 * kMiB);
    for (auto& s : six)
        s.offset = 256 * kMiB;
    EXPECT_EQ(FsaCreatePrimaryContainer(handle, &made, 27, nullptr, 6, six.data(), 65536, nullptr),
              FSA_STATUS(522));
    EXPECT_EQ(sim.snapshot(0).containers.size(), 2u + 3u); // and their three mirrors
}

TEST_F(CreateKinds, NamesAreReadNoFurtherThanTheirEndOrSixteenCharacters) {
    struct Case {
        const char* text;
        const char* label; // 16 bytes
    } cases[] = {
        {"abc", "abc\0\0\0\0\0\0\0\0\0\0\0\0\0"},
        {"twenty characters..", "twenty character"},
        {"exactly sixteen!", "exactly sixteen!"},
    };
    unsigned i = 0;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.text);
        // The name lives in a heap block of exactly its length: a read past
        // its end is caught by the address sanitizer.
        const std::size_t length = std::strlen(k.text) + 1;
        std::unique_ptr<char[]> name(new char[length]);
        std::memcpy(name.get(), k.text, length);
        const auto spaces = std::vector<FSA_STORAGE_DEVICE_SPACE>{
            extent(static_cast<std::uint8_t>(1 + i), kDataStart, 16 * kMiB)};
        ++i;
        tag_FSA_CONTAINER made{};
        ASSERT_EQ(
            FsaCreatePrimaryContainer(handle, &made, 3, name.get(), 1, spaces.data(), 0, nullptr),
            FSA_STS_SUCCESS);
        const auto label = sim.snapshot(0).containers.at(made.containerNumber).label;
        EXPECT_EQ(std::memcmp(label.data(), k.label, 16), 0);
    }
    // Setting a name later takes the caller's 16 bytes as they are.
    const char sixteen[16] = {'n', 'o', ' ', 'e', 'n', 'd', ' ', 'o',
                              'f', ' ', 's', 't', 'r', 'i', 'n', 'g'};
    const tag_FSA_CONTAINER first{0, 0, 9};
    ASSERT_EQ(FsaContainer(handle, &first, FSA_CO_SET_NAME, const_cast<char*>(sixteen)),
              FSA_STS_SUCCESS);
    EXPECT_EQ(std::memcmp(sim.snapshot(0).containers.at(0).label.data(), sixteen, 16), 0);
}

TEST_F(CreateKinds, TheStepAfterCreationAndCacheParameters) {
    struct Case {
        const char* what;
        std::uint32_t type;
        unsigned count;
        int scrubs, clears;
    } cases[] = {
        {"mirror: scrubbed", 1, 2, 1, 0},      {"quick mirror: cleared", 23, 2, 0, 1},
        {"RAID-5: scrubbed", 4, 3, 1, 0},      {"RAID-5 without a step", 7, 3, 0, 0},
        {"quick RAID-5: cleared", 8, 3, 0, 1}, {"stripe: nothing", 2, 2, 0, 0},
    };
    std::uint64_t offset = kDataStart;
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        std::vector<FSA_STORAGE_DEVICE_SPACE> spaces = extents(k.count, 16 * kMiB);
        for (auto& s : spaces)
            s.offset = offset;
        offset += 16 * kMiB;
        sim.clearJournal();
        tag_FSA_CONTAINER made{};
        ASSERT_EQ(FsaCreatePrimaryContainer(handle, &made, k.type, nullptr, k.count, spaces.data(),
                                            65536, nullptr),
                  FSA_STS_SUCCESS);
        std::size_t wholeClears = 0;
        for (const auto& e : sim.journal())
            if (e.ctCommand == 59 && qorsim::get32(e.fib.data(), 44) == 0xFFFFFFFFu)
                ++wholeClears;
        EXPECT_EQ(sent(61) + sent(67), std::size_t(k.scrubs));
        EXPECT_EQ(wholeClears, std::size_t(k.clears));
    }

    // Parameters whose first two words are zero ask nothing of the cache.
    std::vector<FSA_STORAGE_DEVICE_SPACE> one = {extent(6, offset, 16 * kMiB)};
    tag_FSA_CONTAINER_PARAMS none{0, 0};
    sim.clearJournal();
    tag_FSA_CONTAINER made{};
    ASSERT_EQ(FsaCreatePrimaryContainer(handle, &made, 3, nullptr, 1, one.data(), 0, &none),
              FSA_STS_SUCCESS);
    EXPECT_EQ(sent(111), 0u);
    one[0].offset += 16 * kMiB;
    tag_FSA_CONTAINER_PARAMS readCache{1, 0};
    ASSERT_EQ(FsaCreatePrimaryContainer(handle, &made, 3, nullptr, 1, one.data(), 0, &readCache),
              FSA_STS_SUCCESS);
    EXPECT_EQ(sent(111), 1u);
}

TEST_F(CreateKinds, MorphSizesBeyondThirtyTwoBitsOfBlocksAreRefused) {
    const std::vector<FSA_STORAGE_DEVICE_SPACE> spaces = extents(2, 16 * kMiB);
    tag_FSA_CONTAINER made{};
    ASSERT_EQ(FsaCreatePrimaryContainer(handle, &made, 3, nullptr, 2, spaces.data(), 0, nullptr),
              FSA_STS_SUCCESS);
    const auto morph = answer(109, 253);
    const FSA_STORAGE_DEVICE disk = extent(3, 0, 0).device;
    EXPECT_EQ(FsaMorphContainer(handle, &made, 3, 1, &disk, 0, std::uint64_t(1) << 41, 1),
              FSA_STS_BAD_ARGUMENTS);
    EXPECT_EQ(morph->count, 0);
    ASSERT_EQ(FsaMorphContainer(handle, &made, 3, 1, &disk, 0, (std::uint64_t(1) << 41) - 512, 1),
              FSA_STS_SUCCESS);
    ASSERT_EQ(morph->count, 1);
    EXPECT_EQ(qorsim::get32(morph->data.data(), 16), 0xFFFFFFFFu);
}

} // namespace
