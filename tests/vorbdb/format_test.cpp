#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "vorbdb/db_format.h"

namespace fmt = vorbdb::format;

namespace {

std::vector<std::string> lines(std::string_view content) {
    std::vector<std::string> out;
    fmt::forEachLine(content, [&](std::string_view line) { out.emplace_back(line); });
    return out;
}

TEST(LineSplit, HandlesLineEndsAndAMissingLastNewline) {
    using V = std::vector<std::string>;
    EXPECT_EQ(lines(""), V{});
    EXPECT_EQ(lines("a=1\nb=2\n"), (V{"a=1", "b=2"}));
    EXPECT_EQ(lines("a=1\nb=2"), (V{"a=1", "b=2"}));
    EXPECT_EQ(lines("a=1\r\nb=2\r\n"), (V{"a=1", "b=2"}));
    EXPECT_EQ(lines("\n\na=1"), (V{"", "", "a=1"}));
    EXPECT_EQ(lines(std::string(1500, 'x') + "\n"), V{std::string(1500, 'x')});
}

TEST(Keys, MatchOnlyTheWholeKeyBeforeTheFirstEquals) {
    struct Case {
        const char* line;
        const char* key;
        bool matches;
    } cases[] = {
        {"zutr.uninstallstring=x", "zutr.uninstallstring", true},
        {"zutr.uninstallstringA=x", "zutr.uninstallstring", false},
        {"zutr.uninstallstring=a=b", "zutr.uninstallstring", true},
        {"x.zutr.uninstallstring=y", "zutr.uninstallstring", false},
        {"zutr.uninstallstring", "zutr.uninstallstring", true},
        {"zutr.uninstallstrin", "zutr.uninstallstring", false},
        {"=zutr.uninstallstring", "zutr.uninstallstring", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fmt::hasKey(c.line, c.key), c.matches) << c.line;
}

TEST(Keys, ValueIsAfterTheFirstEqualsAndNeverPastTheLine) {
    EXPECT_EQ(fmt::valueOf("a.b=c=d"), "c=d");
    EXPECT_EQ(fmt::valueOf("a.b="), "");
    EXPECT_EQ(fmt::valueOf("a.b"), "");
    std::string_view value;
    ASSERT_TRUE(fmt::findValue("a.bc=1\na.b=2\na.b=3", "a.b", value));
    EXPECT_EQ(value, "2");
    EXPECT_FALSE(fmt::findValue("a.bc=1\n", "a.b", value));
}

TEST(Keys, ProjectMembershipIsByKeyPrefix) {
    struct Case {
        const char* line;
        bool belongs;
    } cases[] = {
        {"zutr.installpath=x", true},
        {"zutr.custom.key=x", true},
        {"zutr.=x", true},
        {"ZUTRT.installpath=x", false},
        {"zutrx.a=b", false},
        {"a.b=zutr.installpath", false},
        {"zutr", false},
        {"zutr.a", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fmt::belongsToProject(c.line, "zutr"), c.belongs) << c.line;
}

TEST(RequiredProjects, ListIsMatchedElementByElement) {
    EXPECT_TRUE(fmt::listContains("B", "B"));
    EXPECT_TRUE(fmt::listContains("A,B", "B"));
    EXPECT_TRUE(fmt::listContains("B,C", "B"));
    EXPECT_FALSE(fmt::listContains("BB,CB", "B"));
    EXPECT_FALSE(fmt::listContains("", "B"));
    EXPECT_FALSE(fmt::listContains("A,,C", "B"));
    EXPECT_EQ(fmt::listWith("", "B"), "B");
    EXPECT_EQ(fmt::listWith("A", "B"), "A,B");
}

TEST(Validation, RefusesWhatWouldBreakALine) {
    EXPECT_TRUE(fmt::isStorableText(""));
    EXPECT_TRUE(fmt::isStorableText("C:\\a=b"));
    EXPECT_FALSE(fmt::isStorableText("a\nb"));
    EXPECT_FALSE(fmt::isStorableText("a\rb"));
    EXPECT_FALSE(fmt::isStorableText(std::string_view("a\0b", 3)));
    EXPECT_TRUE(fmt::isStorableParameter("patch.uninstallstring"));
    EXPECT_FALSE(fmt::isStorableParameter(""));
    EXPECT_FALSE(fmt::isStorableParameter("a=b"));
    EXPECT_FALSE(fmt::isStorableParameter("a\n"));
}

TEST(ComponentRecord, WritesNonEmptyValuesInFixedOrder) {
    std::string out;
    const std::string_view values[fmt::kComponentFields] = {"Name", "", "unins", "", "", "0", ""};
    fmt::appendComponentRecord(out, "zutr", values);
    std::string expected = "zutr.uninstallDisplayName=Name" + std::string(fmt::kLineEnd) +
                           "zutr.uninstallstring=unins" + std::string(fmt::kLineEnd) +
                           "zutr.installationresult=0" + std::string(fmt::kLineEnd);
    EXPECT_EQ(out, expected);
}

} // namespace
