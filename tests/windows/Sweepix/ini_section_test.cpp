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
    IniSection section = readIniSection(in, "[FILES_TO_DELETE]", someValues(), EntryKind::Text);
    EXPECT_EQ(section.entries, GetParam().entries);
    EXPECT_EQ(section.unresolved, GetParam().unresolved);
    EXPECT_TRUE(section.refused.empty());
    EXPECT_EQ(section.cutLine, "");
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

struct CutCase {
    const char* label;
    std::size_t longLine; // characters of the line after "C:\\keep\\"
    Lines entries;
    std::string cutLine;
};

class IniSectionCut : public testing::TestWithParam<CutCase> {};

// A line cut at the buffer's end could name a parent of the meant path: it is
// dropped whole, and the section's reading ends with it.
TEST_P(IniSectionCut, OverlongLineEndsTheSection) {
    std::string longLine = "C:\\keep\\" + std::string(GetParam().longLine, 'a');
    std::istringstream in("[FILES_TO_DELETE]\nfirst\n  " + longLine + "\nC:\\victim\n[B]\nb\n");
    IniSection section = readIniSection(in, "[FILES_TO_DELETE]", someValues(), EntryKind::Path);
    EXPECT_EQ(section.entries, GetParam().entries);
    EXPECT_EQ(section.cutLine, GetParam().cutLine);
}

const std::string kShownStart = "C:\\keep\\" + std::string(56, 'a');

const CutCase kCutCases[] = {
    // With its two leading blanks the line as read is 1023 characters.
    {"fits",
     kIniLineMax - 10,
     {"first", "C:\\keep\\" + std::string(kIniLineMax - 10, 'a'), "C:\\victim"},
     ""},
    {"one over", kIniLineMax - 9, {"first"}, kShownStart},
    {"far over", 100 * 1024, {"first"}, kShownStart},
};

INSTANTIATE_TEST_SUITE_P(Cases, IniSectionCut, testing::ValuesIn(kCutCases),
                         [](const auto& info) { return caseName(info.param.label); });

struct RefusalCase {
    const char* label;
    std::string entry;
    bool takenAsText;
    bool takenAsPath;
};

class IniSectionRefusal : public testing::TestWithParam<RefusalCase> {};

// An entry Windows would read otherwise than the program is never acted on.
TEST_P(IniSectionRefusal, DropsEntriesWindowsCannotTake) {
    for (EntryKind kind : {EntryKind::Text, EntryKind::Path}) {
        bool taken = kind == EntryKind::Text ? GetParam().takenAsText : GetParam().takenAsPath;
        std::istringstream in("[A]\n" + GetParam().entry + "\nnext\n");
        IniSection section = readIniSection(in, "[A]", someValues(), kind);
        const Lines entries = taken ? Lines{GetParam().entry, "next"} : Lines{"next"};
        const Lines refused = taken ? Lines{} : Lines{GetParam().entry};
        const char* kindName = kind == EntryKind::Text ? "text" : "path";
        EXPECT_EQ(section.entries, entries) << kindName;
        EXPECT_EQ(section.refused, refused) << kindName;
    }
}

const RefusalCase kRefusalCases[] = {
    {"nul inside", std::string("C:\\keep\0junk", 12), false, false},
    {"nul before dot dot", std::string("C:\\victim\0\\..", 13), false, false},
    {"control character",
     "C:\\a\x01"
     "b",
     true, false},
    {"tab inside", "C:\\a\tb", true, false},
    {"delete character",
     "C:\\a\x7F"
     "b",
     true, true},
    {"quote", "\"C:\\a b\" /S", true, false},
    {"wildcard", "C:\\a\\*.tmp", true, false},
    {"pipe and angle brackets", "C:\\a|<b>", true, false},
    {"verbatim prefix", "\\\\?\\C:\\a\\b", true, true},
    {"wildcard after verbatim prefix", "\\\\?\\C:\\a?", true, false},
    {"ordinary path", "C:\\Program Files\\a-b_c (x86).dll", true, true},
};

INSTANTIATE_TEST_SUITE_P(Cases, IniSectionRefusal, testing::ValuesIn(kRefusalCases),
                         [](const auto& info) { return caseName(info.param.label); });

TEST(IniSection, PrintableTextShowsControlCharacters) {
    EXPECT_EQ(printableText(std::string("C:\\k\0j\x1f\x7f~", 9)), "C:\\k\\x00j\\x1F\\x7F~");
    EXPECT_EQ(printableText("C:\\plain path"), "C:\\plain path");
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
