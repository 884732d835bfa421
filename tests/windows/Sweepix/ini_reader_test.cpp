// The ini reader in-process: a section read from a real file with the
// placeholders of this machine, its traces and its progress text.
#include "child_process.h"
#include "debug_capture.h"
#include "file_fixture.h"
#include "ini_reader.h"
#include "resource.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

namespace {

using testing::ElementsAre;
using testing::HasSubstr;

// The smallest action: it logs its entries.
class EchoAction : public INIReader {
public:
    explicit EchoAction(EntryKind kind = EntryKind::Text) : INIReader(kind) {}
    int action(std::ostream& log) override {
        return forEachEntry(log, "EchoAction::action( )\n", "Echo", [&](const std::string& e) {
            log << e << std::endl;
            return e == "changes";
        });
    }
};

class IniReaderTest : public testing::Test {
protected:
    void SetUp() override {
        INIReader::m_sWindowsDir = "C:\\windows";
        INIReader::m_sSystemDrive = "C:";
        INIReader::m_sTamselInstallDir.clear();
    }
    wintest::TempDir dir;
    std::string ini = dir.path() + "\\t.ini";
};

TEST_F(IniReaderTest, ReadsTheSectionWithThisMachinesDirectories) {
    writeFile(ini, "[FILES_TO_DELETE]\r\n<windir>\\a.dll\r\n<zutr>\\bin\\x.dll\r\n"
                   "  <systemdrive>\\b  \r\n[OTHER]\r\nc\r\n");
    DebugCapture trace;
    EchoAction reader;
    reader.init(ini, "[FILES_TO_DELETE]", IDS_DELETING_FILES);
    reader.print();
    EXPECT_THAT(reader.entries(), ElementsAre("C:\\windows\\a.dll", "C:\\b"));
    EXPECT_EQ(reader.getStatusText(), "Deleting Files.");
    EXPECT_EQ(trace.all(), "INSIDE INIREADER\n"
                           "INIReader::init( " +
                               ini +
                               ", [FILES_TO_DELETE] )\n"
                               "NOT Adding <zutr>\\bin\\x.dll to list\n"
                               "INIReader::print( )\n"
                               "C:\\windows\\a.dll\nC:\\b\n");

    // Once the data manager's directory is known, the line resolves.
    INIReader::m_sTamselInstallDir = "D:\\Zutr";
    EchoAction known;
    known.init(ini, "[FILES_TO_DELETE]", IDS_DELETING_FILES);
    EXPECT_THAT(known.entries(),
                ElementsAre("C:\\windows\\a.dll", "D:\\Zutr\\bin\\x.dll", "C:\\b"));
}

TEST_F(IniReaderTest, MissingFileOrSectionGivesNoEntries) {
    EchoAction missingFile, missingSection;
    missingFile.init(dir.path() + "\\none.ini", "[FILES_TO_DELETE]", IDS_DELETING_FILES);
    writeFile(ini, "[OTHER]\na\n");
    missingSection.init(ini, "[FILES_TO_DELETE]", IDS_DELETING_FILES);
    EXPECT_TRUE(missingFile.entries().empty());
    EXPECT_TRUE(missingSection.entries().empty());
    EXPECT_EQ(missingFile.getStatusText(), "Deleting Files.");
}

TEST_F(IniReaderTest, OverlongLineEndsItsSectionAndIsLogged) {
    writeFile(ini, "[A]\nfirst\nC:\\keep\\" + std::string(1100, 'x') + "\nnext\n");
    DebugCapture trace;
    EchoAction reader;
    reader.init(ini, "[A]", IDS_DELETING_FILES);
    EXPECT_THAT(reader.entries(), ElementsAre("first"));
    EXPECT_THAT(trace.all(), HasSubstr("NOT Adding over-long line beginning C:\\keep\\xx"));
    std::ostringstream log;
    reader.action(log);
    EXPECT_EQ(log.str(), "\nEcho\nNot done: the line beginning C:\\keep\\" + std::string(56, 'x') +
                             " is over 1023 characters long; the rest of [A] was not read.\n"
                             "first\n");

    // Only its own section ends: a later section keeps its entries.
    writeFile(ini, "[A]\n" + std::string(1100, 'y') + "\n[B]\nlater\n");
    EchoAction later;
    later.init(ini, "[B]", IDS_DELETING_FILES);
    EXPECT_THAT(later.entries(), ElementsAre("later"));
}

// The smallest action on paths.
class EchoPaths : public EchoAction {
public:
    EchoPaths() : EchoAction(EntryKind::Path) {}
};

TEST_F(IniReaderTest, RefusedEntriesAreLoggedAsNotDone) {
    writeFile(ini, std::string("[A]\nC:\\keep\0junk\nC:\\a*b\nC:\\c\n", 29));
    DebugCapture trace;
    EchoAction text;
    text.init(ini, "[A]", IDS_DELETING_FILES);
    EXPECT_THAT(text.entries(), ElementsAre("C:\\a*b", "C:\\c"));
    EchoPaths paths;
    paths.init(ini, "[A]", IDS_DELETING_FILES);
    EXPECT_THAT(paths.entries(), ElementsAre("C:\\c"));
    EXPECT_THAT(trace.all(), HasSubstr("NOT Adding C:\\keep\\x00junk to list"));
    std::ostringstream log;
    paths.action(log);
    EXPECT_EQ(log.str(), "\nEcho\n"
                         "Not done: C:\\keep\\x00junk holds a character Windows cannot take.\n"
                         "Not done: C:\\a*b holds a character Windows cannot take.\n"
                         "C:\\c\n");
}

TEST_F(IniReaderTest, ActionsShareTheLogShape) {
    writeFile(ini, "[A]\nsame\nchanges\nsame\n");
    EchoAction reader;
    reader.init(ini, "[A]", IDS_DELETING_FILES);
    std::ostringstream log;
    EXPECT_EQ(reader.action(log), 1);
    EXPECT_EQ(log.str(), "\nEcho\nsame\nchanges\nsame\n");
    EchoAction empty;
    std::ostringstream emptyLog;
    EXPECT_EQ(empty.action(emptyLog), 0);
    EXPECT_EQ(emptyLog.str(), "\nEcho\n");
}

} // namespace
