// Reading one ini section: where it starts and ends, which lines become
// entries, and how placeholders resolve or drop a line.
#include "ini_section.h"

#include "case_name.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

using Lines = std::vector<std::string>;

// Values with the agent directory known and the data manager's unknown.
PlaceholderValues someValues() {
    PlaceholderValues values;
    values[2] = "C:\\Agent";      // <qva>
    values[7] = "C:";             // <systemdrive>
    values[8] = "C:\\WINDOWS";    // <windir>
    values[10] = "Program Files"; // <programfiles>
    return values;
}

struct SectionCase {
    const char* label;
    std::string file;
    Lines entries;
    Lines unresolved;
};

class IniSectionTest : public testing::TestWithParam<SectionCase> {};

TEST_P(IniSectionTest, YieldsTheEntries) {
    std::istringstream in(GetParam().file);
    IniSection section = readIniSection(in, "[FILES_TO_DELETE]", someValues());
    EXPECT_EQ(section.entries, GetParam().entries);
    EXPECT_EQ(section.unresolved, GetParam().unresolved);
    EXPECT_TRUE(section.overlong.empty());
}

const SectionCase kSectionCases[] = {
    {"plain", "[A]\na\n[FILES_TO_DELETE]\n  x.dll \t\n\ny\n[B]\nz\n", {"x.dll", "y"}, {}},
    {"missing section", "[A]\na\n", {}, {}},
    {"commented header", "//[FILES_TO_DELETE]\na\n  // [FILES_TO_DELETE]\nb\n", {}, {}},
    {"header anywhere in a line", "x=1 [FILES_TO_DELETE]\na\n", {"a"}, {}},
    {"comment inside", "[FILES_TO_DELETE]\n// gone\n   //also\na // kept\n", {"a // kept"}, {}},
    {"indented header does not end it",
     "[FILES_TO_DELETE]\na\n  [B]\nb\n[C]\nc\n",
     {"a", "[B]", "b"},
     {}},
    {"repeated header is skipped", "[FILES_TO_DELETE]\na\n[FILES_TO_DELETE]\nb\n", {"a", "b"}, {}},
    {"second section never read", "[FILES_TO_DELETE]\na\n[B]\n[FILES_TO_DELETE]\nb\n", {"a"}, {}},
    {"carriage returns", "[FILES_TO_DELETE]\r\na\r\n\r\n[B]\r\nb\r\n", {"a"}, {}},
    {"last line without line feed", "[FILES_TO_DELETE]\na", {"a"}, {}},
    {"known tag replaced", "[FILES_TO_DELETE]\n<qva>\\bin\\x.dll\n", {"C:\\Agent\\bin\\x.dll"}, {}},
    {"unknown tag drops the line",
     "[FILES_TO_DELETE]\n<zutr>\\bin\\x.dll\nok\n",
     {"ok"},
     {"<zutr>\\bin\\x.dll"}},
    {"tag twice, other brackets kept",
     "[FILES_TO_DELETE]\n<windir>;<windir>\\<foo>\n",
     {"C:\\WINDOWS;C:\\WINDOWS\\<foo>"},
     {}},
    {"one of two tags unknown",
     "[FILES_TO_DELETE]\n<systemdrive>\\<desktop>\n",
     {},
     {"C:\\<desktop>"}},
    {"tags are exact", "[FILES_TO_DELETE]\n<QVA>\\x\n< qva>\n", {"<QVA>\\x", "< qva>"}, {}},
    {"longest tag first does not break shorter",
     "[FILES_TO_DELETE]\n<systemdrive>\\<programfiles>\n",
     {"C:\\Program Files"},
     {}},
};

INSTANTIATE_TEST_SUITE_P(Cases, IniSectionTest, testing::ValuesIn(kSectionCases),
                         [](const auto& info) { return caseName(info.param.label); });

TEST(IniSection, OverlongLineIsNeverAnEntry) {
    // A line cut at the buffer's end could name a parent of the meant path.
    std::string longPath = "C:\\keep\\" + std::string(kIniLineMax, 'a');
    std::string fitting = "C:\\" + std::string(kIniLineMax - 3, 'b');
    std::istringstream in("[FILES_TO_DELETE]\n" + longPath + "\n" + fitting + "\nnext\n");
    IniSection section = readIniSection(in, "[FILES_TO_DELETE]", someValues());
    EXPECT_EQ(section.entries, (Lines{fitting, "next"}));
    ASSERT_EQ(section.overlong.size(), 1u);
    EXPECT_EQ(section.overlong[0].substr(0, 8), "C:\\keep\\");
}

TEST(Placeholder, ReplacesEveryOccurrenceWithoutSearchingTheValue) {
    struct Case {
        std::string line, value, tag, expected;
    } cases[] = {
        {"<a>x<a>", "V", "<a>", "VxV"},
        {"<a>", "<a><a>", "<a>", "<a><a>"}, // the value is not searched again
        {"x<a>y", "", "<a>", "x<a>y"},      // an empty value leaves the line
        {"<a", "V", "<a>", "<a"},
        {"", "V", "<a>", ""},
    };
    for (const auto& c : cases) {
        std::string line = c.line;
        replacePlaceholder(line, c.value, c.tag);
        EXPECT_EQ(line, c.expected) << c.line << " / " << c.value;
    }
}

TEST(Placeholder, ValueHoldingATagLeavesTheLineUnresolved) {
    PlaceholderValues values;
    values[2] = "C:\\<zutr>";
    std::string line = "<qva>\\x";
    EXPECT_FALSE(resolvePlaceholders(line, values));
}

} // namespace
