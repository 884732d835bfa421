#include "perf_block_builder.h"
#include "perf_data.h"
#include "process_name.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using namespace perftest;
using kor::perf::ObjectQuery;
using kor::perf::ParseStatus;

namespace {

// A test name made of the case's label.
std::string testName(std::string label) {
    for (char& ch : label)
        if (!isalnum(static_cast<unsigned char>(ch)))
            ch = '_';
    return label;
}

// --- counter-name list --------------------------------------------------

struct CounterCase {
    const char* label;
    std::string list; // the value's bytes, NULs included
    const char* name;
    std::optional<std::string> expected;
};

class CounterNames : public ::testing::TestWithParam<CounterCase> {};

TEST_P(CounterNames, FindsTheIndexBeforeTheName) {
    const auto& c = GetParam();
    auto found = kor::perf::findCounterIndex(c.list.data(), c.list.size(), c.name);
    ASSERT_EQ(found.has_value(), c.expected.has_value()) << c.label;
    if (found) {
        EXPECT_EQ(found->text, *c.expected) << c.label;
        EXPECT_EQ(found->value, std::stoul(*c.expected)) << c.label;
    }
}

using namespace std::string_literals;
INSTANTIATE_TEST_SUITE_P(
    Table, CounterNames,
    ::testing::Values(
        CounterCase{"plain",
                    "1\0"
                    "1847\0"
                    "2\0System\0"
                    "230\0Process\0"
                    "784\0ID Process\0\0"s,
                    "process", "230"},
        CounterCase{"id process",
                    "230\0Process\0"
                    "784\0ID Process\0\0"s,
                    "id process", "784"},
        CounterCase{"case ignored", "230\0PROCESS\0\0"s, "process", "230"},
        CounterCase{"last match wins",
                    "230\0Process\0"
                    "999\0process\0\0"s,
                    "process", "999"},
        CounterCase{"no final double NUL",
                    "2\0System\0"
                    "230\0Process\0"s,
                    "process", "230"},
        CounterCase{"no final NUL at all",
                    "2\0System\0"
                    "230\0Process"s,
                    "process", "230"},
        CounterCase{"name first, nothing before it",
                    "Process\0"
                    "2\0System\0\0"s,
                    "process", std::nullopt},
        CounterCase{"text before it is no number", "abc\0Process\0\0"s, "process", std::nullopt},
        CounterCase{"only the trailing digits count", "x12\0Process\0\0"s, "process", "12"},
        CounterCase{"index too large", "99999999999\0Process\0\0"s, "process", std::nullopt},
        CounterCase{"empty text ends the list",
                    "2\0System\0\0"
                    "230\0Process\0\0"s,
                    "process", std::nullopt},
        CounterCase{"prefix is no match", "230\0Processor\0\0"s, "process", std::nullopt},
        CounterCase{"absent", "2\0System\0\0"s, "process", std::nullopt},
        CounterCase{"empty value", ""s, "process", std::nullopt}),
    [](const auto& info) { return testName(info.param.label); });

// --- data block -----------------------------------------------------------

ObjectQuery processQuery(std::size_t maxInstances, bool withIds = true) {
    ObjectQuery q;
    q.objectIndex = kProcessIndex;
    if (withIds)
        q.idCounterIndex = kIdProcessIndex;
    q.maxInstances = maxInstances;
    return q;
}

ParseStatus parse(const std::vector<uint8_t>& block, const ObjectQuery& q,
                  std::vector<kor::perf::Instance>& out) {
    return kor::perf::parseObjectInstances(block.data(), block.size(), q, out);
}

TEST(PerfBlock, ReadsNamesAndIdsOfSeveralInstances) {
    FakeObject o;
    o.instances = {{u"Idle", 0}, {u"System", 4}, {u"notepad", 1234}, {u"_Total", 0}};
    std::vector<kor::perf::Instance> out;
    ASSERT_EQ(parse(buildBlock({o}), processQuery(256), out), ParseStatus::Ok);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[2].name, u"notepad");
    EXPECT_EQ(out[2].processId, 1234u);
    EXPECT_EQ(out[1].processId, 4u);
    EXPECT_EQ(out[3].name, u"_Total");
}

TEST(PerfBlock, ExaminesAtMostTheAskedNumberOfInstances) {
    FakeObject o;
    o.instances = numberedInstances(300);
    auto block = buildBlock({o});
    for (std::size_t limit : {256u, 255u}) {
        std::vector<kor::perf::Instance> out;
        ASSERT_EQ(parse(block, processQuery(limit), out), ParseStatus::Ok);
        ASSERT_EQ(out.size(), limit);
        std::string last = "proc" + std::to_string(limit - 1);
        EXPECT_EQ(out.back().name, std::u16string(last.begin(), last.end()));
    }
}

TEST(PerfBlock, KeepsLongNamesWhole) {
    FakeObject o;
    o.instances = {{std::u16string(300, u'n'), 7}, {u"after", 8}};
    std::vector<kor::perf::Instance> out;
    ASSERT_EQ(parse(buildBlock({o}), processQuery(256), out), ParseStatus::Ok);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].name.size(), 300u);
    EXPECT_EQ(out[1].processId, 8u);
}

TEST(PerfBlock, IdCounterIsNeededOnlyWhenAsked) {
    FakeObject o;
    o.counters = {6, 12};
    o.instances = {{u"a", 1}};
    auto block = buildBlock({o});
    std::vector<kor::perf::Instance> out;
    EXPECT_EQ(parse(block, processQuery(256), out), ParseStatus::NoIdCounter);
    EXPECT_TRUE(out.empty());
    ASSERT_EQ(parse(block, processQuery(256, false), out), ParseStatus::Ok);
    EXPECT_EQ(out.size(), 1u);
}

TEST(PerfBlock, FindsTheAskedObjectAndRefusesAnother) {
    FakeObject other;
    other.index = 238;
    other.instances = {{u"0", 0}};
    FakeObject process;
    process.instances = {{u"svchost", 88}};
    std::vector<kor::perf::Instance> out;
    EXPECT_EQ(parse(buildBlock({other}), processQuery(256), out), ParseStatus::NoObject);
    ASSERT_EQ(parse(buildBlock({other, process}), processQuery(256), out), ParseStatus::Ok);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].processId, 88u);
}

TEST(PerfBlock, ObjectCountBeyondTheBlockIsRefusedWhileSearching) {
    FakeObject other;
    other.index = 238;
    auto block = buildBlock({other});
    put32(block, 28, 1000);
    std::vector<kor::perf::Instance> out;
    EXPECT_EQ(parse(block, processQuery(256), out), ParseStatus::BadObject);
}

TEST(PerfBlock, ObjectWithoutInstancesListsNothing) {
    FakeObject o;
    o.declaredInstances = -1; // the system's "no instances"
    std::vector<kor::perf::Instance> out;
    EXPECT_EQ(parse(buildBlock({o}), processQuery(256), out), ParseStatus::Ok);
    EXPECT_TRUE(out.empty());
}

TEST(PerfBlock, EveryTruncationIsRefusedWithoutReadingBeyondIt) {
    FakeObject o;
    o.instances = {{u"alpha", 1}, {u"beta", 2}};
    auto block = buildBlock({o});
    for (std::size_t size = 0; size < block.size(); ++size) {
        // A copy of exactly `size` bytes, so that a read beyond it is caught.
        std::vector<uint8_t> cut(block.begin(), block.begin() + static_cast<long>(size));
        std::vector<kor::perf::Instance> out;
        EXPECT_NE(kor::perf::parseObjectInstances(cut.data(), cut.size(), processQuery(256), out),
                  ParseStatus::Ok)
            << size;
        EXPECT_TRUE(out.empty());
    }
}

struct Corruption {
    const char* label;
    std::size_t (*at)(const std::vector<uint8_t>&); // where to write
    uint32_t value;
    ParseStatus expected;
};

constexpr std::size_t kObject = 96;
std::size_t firstInstance(const std::vector<uint8_t>& b) {
    uint32_t v;
    std::memcpy(&v, b.data() + kObject + 4, 4);
    return kObject + v;
}

class CorruptBlock : public ::testing::TestWithParam<Corruption> {};

TEST_P(CorruptBlock, IsRefused) {
    FakeObject o;
    o.instances = {{u"alpha", 1}, {u"beta", 2}};
    auto block = buildBlock({o});
    const auto& c = GetParam();
    put32(block, c.at(block), c.value);
    std::vector<kor::perf::Instance> out;
    EXPECT_EQ(parse(block, processQuery(256), out), c.expected) << c.label;
    EXPECT_TRUE(out.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, CorruptBlock,
    ::testing::Values(
        Corruption{"signature", [](auto&) -> std::size_t { return 0; }, 0x41,
                   ParseStatus::BadHeader},
        Corruption{"header length beyond block", [](auto&) -> std::size_t { return 24; },
                   0xFFFFFFF0u, ParseStatus::BadObject},
        Corruption{"another object", [](auto&) -> std::size_t { return kObject + 12; }, 238,
                   ParseStatus::NoObject},
        Corruption{"object length zero", [](auto&) -> std::size_t { return kObject; }, 0,
                   ParseStatus::BadObject},
        Corruption{"counter count beyond object", [](auto&) -> std::size_t { return kObject + 32; },
                   0x10000000u, ParseStatus::BadObject},
        Corruption{"counter definitions beyond object",
                   [](auto&) -> std::size_t { return kObject + 8; }, 0xFFFFFFFFu,
                   ParseStatus::BadObject},
        Corruption{"more instances than data", [](auto&) -> std::size_t { return kObject + 40; }, 3,
                   ParseStatus::BadInstance},
        Corruption{"instance length zero", firstInstance, 0, ParseStatus::BadInstance},
        Corruption{"instance length beyond object", firstInstance, 0x7FFFFFFF,
                   ParseStatus::BadInstance},
        Corruption{"name offset beyond instance",
                   [](auto& b) -> std::size_t { return firstInstance(b) + 16; }, 0xFFFFFFF0u,
                   ParseStatus::BadInstance},
        Corruption{"name length beyond instance",
                   [](auto& b) -> std::size_t { return firstInstance(b) + 20; }, 4096,
                   ParseStatus::BadInstance},
        Corruption{"id offset beyond counter block",
                   [](auto&) -> std::size_t { return kObject + 64 + 40 + 36; }, 1 << 20,
                   ParseStatus::BadInstance},
        Corruption{"counter block length beyond object",
                   [](auto& b) -> std::size_t {
                       uint32_t len;
                       std::memcpy(&len, b.data() + firstInstance(b), 4);
                       return firstInstance(b) + len;
                   },
                   0x7FFFFFFF, ParseStatus::BadInstance}),
    [](const auto& info) { return testName(info.param.label); });

TEST(PerfBlock, NameStopsAtItsTerminatorOrItsLength) {
    FakeObject o;
    o.instances = {{std::u16string(u"ab\0cd", 5), 1}};
    std::vector<kor::perf::Instance> out;
    ASSERT_EQ(parse(buildBlock({o}), processQuery(256), out), ParseStatus::Ok);
    EXPECT_EQ(out[0].name, u"ab");
}

// --- image names ------------------------------------------------------------

TEST(ImageBaseName, DropsPathAndLastExtension) {
    struct {
        const char* image;
        const char* expected;
    } cases[] = {{"C:\\Windows\\notepad.exe", "notepad"},
                 {"a.b.exe", "a.b"},
                 {"noext", "noext"},
                 {"dir.d\\noext", "noext"},
                 {"trailing.", "trailing"},
                 {"", ""}};
    for (const auto& c : cases)
        EXPECT_EQ(kor::imageBaseName(std::string_view(c.image)), c.expected) << c.image;
    std::string mixed = "IKernel.EXE";
    kor::lowerAsciiInPlace(mixed);
    EXPECT_EQ(mixed, "ikernel.exe");
}

} // namespace
