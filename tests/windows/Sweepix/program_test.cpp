// The real Sweepix.exe run silently under wine: its stops and exit codes, the
// log, and what each action removes from the machine.
#include "child_process.h"
#include "file_fixture.h"
#include "run_order.h"
#include "sweepix_run.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <regex>
#include <string_view>

namespace {

using testing::Contains;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::HasSubstr;
using testing::Not;
using Lines = std::vector<std::string>;

std::string tag() {
    return wintest::uniqueLetters("kt");
}

const std::regex kTimeLine("(START|END) TIME = \\d\\d:\\d\\d:\\d\\d on [A-Z][a-z]+day, "
                           "[A-Z][a-z]+ \\d\\d, \\d{4}");

// The heading each action begins its log part with, by the section it reads:
// what a section's log looks like, whatever its place. The places come from
// the run-order table; a row whose header or mode is wrong finds no heading
// here or the wrong one.
const std::map<std::string_view, std::string> kLogHeadings = {
    {"[SINGLESERVICES_TO_STOP]", "Stopping single services"},
    {"[DEPENDENTSERVICES_TO_STOP]", "Stopping dependent services"},
    {"[PROCESSES_TO_KILL]", "Killing Processes"},
    {"[UNINSTALL_APPS_TO_RUN]", "Uninstalling Apps"},
    {"[RUN_UNINSTALL_FROM_REGISTRY]", "Uninstalling apps Using Registry"},
    {"[SERVICES_TO_DELETE]", "Removing services"},
    {"[REGISTRY_TO_DELETE]", "Deleting registry keys"},
    {"[REGISTRY_TO_DELETE_IF_EMPTY]", "Deleting registry keys"},
    {"[REGISTRYVALUES_TO_DELETE]", "Deleting registry values"},
    {"[SNMPEXTENSIONAGENTS_TO_DELETE]", "Deleting SNMP ExtensionAgents"},
    {"[FILES_TO_DELETE]", "Deleting Files"},
    {"[DIRECTORIES_TO_DELETE]", "Deleting Directories"},
    {"[DIRECTORIES_TO_DELETE_IF_EMPTY]", "Deleting Directories"},
    {"[DIRECTORIES_TO_REMOVE_FROM_PATH]",
     "Removing directories from the path environment variable"},
};

std::string logHeading(const RunOrderRow& row) {
    auto found = kLogHeadings.find(row.header);
    return found != kLogHeadings.end() ? found->second
                                       : "(no heading known for " + std::string(row.header) + ")";
}

// The log between its start and end lines: each section in run order as an
// empty line, its heading and `sectionLines` of its row, then an empty line.
Lines runBody(const std::function<Lines(const RunOrderRow&)>& sectionLines = nullptr) {
    Lines body;
    for (const RunOrderRow& row : kRunOrder) {
        body.push_back("");
        body.push_back(logHeading(row));
        if (sectionLines) {
            Lines more = sectionLines(row);
            body.insert(body.end(), more.begin(), more.end());
        }
    }
    body.push_back("");
    return body;
}

TEST(SweepixProgram, LogIsFramedAndGrowsUnlessOverwritten) {
    SweepixRun sweepix;
    sweepix.writeIni("[NOTHING]\nx\n");
    writeFile(sweepix.logPath(), "old run\r\n");
    const std::string arguments =
        "/s \"/f" + sweepix.iniPath() + "\" /l \"" + sweepix.logPath() + "\"";

    EXPECT_EQ(sweepix.run(arguments), 0);
    Lines expected{"old run", "", std::string(67, '-'), "START"};
    Lines body = runBody();
    expected.insert(expected.end(), body.begin(), body.end());
    expected.push_back("END");
    Lines lines = sweepix.logLines();
    ASSERT_EQ(lines.size(), expected.size()) << sweepix.log();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (expected[i] == "START" || expected[i] == "END") {
            EXPECT_TRUE(std::regex_match(lines[i], kTimeLine)) << lines[i];
            EXPECT_EQ(lines[i].rfind(expected[i], 0), 0u) << lines[i];
        } else {
            EXPECT_EQ(lines[i], expected[i]) << "line " << i;
        }
    }

    // With /o the log is begun anew, with the start line first.
    EXPECT_EQ(sweepix.run("/o " + arguments), 0);
    lines = sweepix.logLines();
    ASSERT_EQ(lines.size(), body.size() + 2);
    EXPECT_EQ(lines.front().rfind("START TIME = ", 0), 0u);
    EXPECT_EQ(lines.back().rfind("END TIME = ", 0), 0u);
}

// Each section is read by the action that runs at its place, once: every
// section holds an entry that only its own action reports (one holding a NUL
// is reported, never acted on), and the file lists the sections backwards.
TEST(SweepixProgram, RunsEachSectionOnceInRunOrder) {
    SweepixRun sweepix;
    std::string ini;
    for (const RunOrderRow& row : kRunOrder)
        ini = std::string(row.header) + "\n" + std::string(row.member) + '\0' + "\n" + ini;
    sweepix.writeIni(ini);

    EXPECT_EQ(sweepix.runSilent(), 0);
    Lines expected = runBody([](const RunOrderRow& row) {
        return Lines{"Not done: " + std::string(row.member) +
                     "\\x00 holds a character Windows cannot take."};
    });
    Lines lines = sweepix.logLines();
    ASSERT_EQ(lines.size(), expected.size() + 2) << sweepix.log();
    EXPECT_THAT(Lines(lines.begin() + 1, lines.end() - 1), ElementsAreArray(expected));
}

TEST(SweepixProgram, CarriesFileAndProductVersion280) {
    SweepixRun sweepix;
    const std::string exe = sweepix.path("Sweepix.exe");
    DWORD ignored = 0;
    std::vector<char> info(GetFileVersionInfoSizeA(exe.c_str(), &ignored));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(exe.c_str(), 0, static_cast<DWORD>(info.size()), info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(8, 2));
    EXPECT_EQ(fixed->dwFileVersionLS, 0u);
    EXPECT_EQ(fixed->dwProductVersionMS, MAKELONG(8, 2));
    EXPECT_EQ(fixed->dwProductVersionLS, 0u);
}

TEST(SweepixProgram, StopsBeforeActingWithExitCodeZero) {
    SweepixRun sweepix;
    const std::string canary = sweepix.path("canary.txt");
    writeFile(canary, "x");
    sweepix.writeIni("[FILES_TO_DELETE]\n" + canary + "\n");
    const std::string ini = "\"/f" + sweepix.iniPath() + "\"";
    const std::string log = "\"/l" + sweepix.logPath() + "\"";
    CreateDirectoryA(sweepix.path("dir.ini").c_str(), nullptr);
    struct Case {
        const char* label;
        std::string arguments;
    } cases[] = {
        {"help, silently", "/s /? " + ini + " " + log},
        {"missing ini", "/s \"/f" + sweepix.path("missing.ini") + "\" " + log},
        {"ini is a directory", "/s \"/f" + sweepix.path("dir.ini") + "\" " + log},
        {"bare /f empties the ini name", "/s " + log + " /f"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sweepix.run(c.arguments), 0) << c.label;
        EXPECT_TRUE(exists(canary)) << c.label;
        EXPECT_FALSE(exists(sweepix.logPath())) << c.label;
    }

    // Another copy is running: the machine-wide mutex exists.
    HANDLE other = CreateMutexA(nullptr, FALSE, "Global\\SWEEPIXPROGRAMMUTEX");
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(sweepix.run("/s " + ini + " " + log), 0);
    CloseHandle(other);
    EXPECT_TRUE(exists(canary));
    EXPECT_FALSE(exists(sweepix.logPath()));

    // Once it is gone, the same run acts.
    EXPECT_EQ(sweepix.run("/s " + ini + " " + log), 0);
    EXPECT_FALSE(exists(canary));
}

TEST(SweepixProgram, DeletesFilesAndDirectories) {
    SweepixRun sweepix;
    const std::string d = sweepix.dir();
    writeFile(d + "\\readonly.txt", "x");
    SetFileAttributesA((d + "\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    writeFile(d + "\\busy.txt", "x");
    HANDLE busy = CreateFileA((d + "\\busy.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    ASSERT_NE(busy, INVALID_HANDLE_VALUE);
    const std::string tempDir = systemDrive() + "\\temp";
    CreateDirectoryA(tempDir.c_str(), nullptr);
    const std::string onDrive = tempDir + "\\" + tag() + ".txt";
    writeFile(onDrive, "x");
    for (const char* sub : {"tree", "tree\\a", "tree\\a\\b", "filesonly", "nested", "nested\\sub"})
        CreateDirectoryA((d + "\\" + sub).c_str(), nullptr);
    writeFile(d + "\\tree\\a\\b\\f.txt", "x");
    writeFile(d + "\\filesonly\\f.txt", "x");
    writeFile(d + "\\nested\\f.txt", "x");

    sweepix.writeIni("[FILES_TO_DELETE]\n" + d + "\\readonly.txt\n" + d + "\\missing.txt\n" + d +
                     "\\busy.txt\n<systemdrive>\\temp\\" + tag() + ".txt\n<zutr>\\busy.txt\n" +
                     "[DIRECTORIES_TO_DELETE]\n" + d + "\\tree\n<windir>\n" +
                     "[DIRECTORIES_TO_DELETE_IF_EMPTY]\n" + d + "\\filesonly\n" + d + "\\nested\n" +
                     d + "\\gone\n");
    EXPECT_EQ(sweepix.runSilent(), 0);
    CloseHandle(busy);

    EXPECT_FALSE(exists(d + "\\readonly.txt"));
    EXPECT_TRUE(exists(d + "\\busy.txt"));
    EXPECT_FALSE(exists(onDrive));
    EXPECT_FALSE(exists(d + "\\tree"));
    EXPECT_TRUE(exists(windowsDir() + "\\system32"));
    EXPECT_FALSE(exists(d + "\\filesonly"));
    EXPECT_TRUE(exists(d + "\\nested\\f.txt"));
    Lines lines = sweepix.logLines();
    for (const std::string& line :
         {"File " + d + "\\readonly.txt deleted successfully",
          "File " + d + "\\missing.txt has already been removed.",
          "File " + d + "\\busy.txt could not be deleted.",
          "File " + onDrive + " deleted successfully", d + "\\tree", windowsDir(),
          "Directory " + windowsDir() + " could not be deleted.", d + "\\filesonly",
          "Directory " + d + "\\nested is not empty.", "Directory " + d + "\\gone is not empty."})
        EXPECT_THAT(lines, Contains(line));
    // The line with an unknown directory never reached the action.
    EXPECT_THAT(sweepix.log(), Not(HasSubstr("<zutr>")));
}

// NTFS takes the delete character (0x7F) in names: such entries are acted on.
TEST(SweepixProgram, DeletesNamesHoldingTheDeleteCharacter) {
    SweepixRun sweepix;
    const std::string d = sweepix.dir();
    const std::string file = d + "\\a\x7F"
                                 "b.txt",
                      directory = d + "\\dir\x7F";
    writeFile(file, "x");
    CreateDirectoryA(directory.c_str(), nullptr);
    writeFile(directory + "\\f.txt", "x");
    ASSERT_TRUE(exists(file));
    ASSERT_TRUE(exists(directory + "\\f.txt"));

    sweepix.writeIni("[FILES_TO_DELETE]\n" + file + "\n[DIRECTORIES_TO_DELETE]\n" + directory +
                     "\n");
    EXPECT_EQ(sweepix.runSilent(), 0);
    EXPECT_FALSE(exists(file));
    EXPECT_FALSE(exists(directory));
    Lines lines = sweepix.logLines();
    EXPECT_THAT(lines, Contains("File " + file + " deleted successfully"));
    EXPECT_THAT(lines, Contains(directory));
    EXPECT_THAT(sweepix.log(), Not(HasSubstr("Not done")));
}

std::wstring verbatimWide(const std::string& path) {
    return L"\\\\?\\" + std::wstring(path.begin(), path.end());
}

// A file below a directory chain longer than MAX_PATH, made through the
// verbatim prefix, and removed with its chain at the end.
class LongPathFile {
public:
    explicit LongPathFile(const std::string& base) {
        std::string directory = base;
        for (char letter : {'p', 'q', 'r'}) {
            directory += "\\" + std::string(90, letter);
            if (CreateDirectoryW(verbatimWide(directory).c_str(), nullptr))
                directories_.push_back(directory);
        }
        path_ = directory + "\\held.txt";
    }
    ~LongPathFile() {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
        DeleteFileW(verbatimWide(path_).c_str());
        for (auto it = directories_.rbegin(); it != directories_.rend(); ++it)
            RemoveDirectoryW(verbatimWide(*it).c_str());
    }
    LongPathFile(const LongPathFile&) = delete;
    LongPathFile& operator=(const LongPathFile&) = delete;
    const std::string& path() const { return path_; }
    // Creates the file and keeps it open without sharing its deletion.
    bool createHeld() {
        handle_ = CreateFileW(verbatimWide(path_).c_str(), GENERIC_READ | GENERIC_WRITE,
                              FILE_SHARE_READ, nullptr, CREATE_NEW, 0, nullptr);
        return handle_ != INVALID_HANDLE_VALUE;
    }
    bool present() const {
        return GetFileAttributesW(verbatimWide(path_).c_str()) != INVALID_FILE_ATTRIBUTES;
    }

private:
    std::vector<std::string> directories_;
    std::string path_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// Where the system cannot even tell whether a path over MAX_PATH is there, a
// file whose delete failed is not reported as gone.
TEST(SweepixProgram, ReportsAFileBeyondMaxPathThatWasNotDeleted) {
    SweepixRun sweepix;
    LongPathFile file(sweepix.dir());
    ASSERT_GT(file.path().size(), static_cast<std::size_t>(MAX_PATH));
    ASSERT_TRUE(file.createHeld()) << file.path();

    sweepix.writeIni("[FILES_TO_DELETE]\n" + file.path() + "\n");
    EXPECT_EQ(sweepix.runSilent(), 0);
    EXPECT_TRUE(file.present());
    Lines lines = sweepix.logLines();
    EXPECT_THAT(lines, Contains("File " + file.path() + " could not be deleted."));
    EXPECT_THAT(lines, Not(Contains("File " + file.path() + " has already been removed.")));
}

// Windows reads an entry only up to a NUL: the program would list the
// directory itself without end, or act on a path the entry did not name.
TEST(SweepixProgram, EntriesHoldingANulAreNeverActedOn) {
    SweepixRun sweepix;
    const std::string d = sweepix.dir();
    for (const char* sub : {"keep", "victim", "later"})
        CreateDirectoryA((d + "\\" + sub).c_str(), nullptr);
    writeFile(d + "\\keep\\k.txt", "x");
    writeFile(d + "\\victim\\v.txt", "x");
    const std::string nul(1, '\0');
    sweepix.writeIni("[DIRECTORIES_TO_DELETE]\n" + d + "\\keep" + nul + "junk\n" + d + "\\victim" +
                     nul + "\\..\n[DIRECTORIES_TO_DELETE_IF_EMPTY]\n" + d + "\\later\n");
    EXPECT_EQ(sweepix.runSilent(), 0);
    EXPECT_TRUE(exists(d + "\\keep\\k.txt"));
    EXPECT_TRUE(exists(d + "\\victim\\v.txt"));
    EXPECT_FALSE(exists(d + "\\later")) << "a later section did not run";
    Lines lines = sweepix.logLines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back().rfind("END TIME = ", 0), 0u) << sweepix.log();
    EXPECT_THAT(lines, Contains("Not done: " + d +
                                "\\keep\\x00junk holds a character Windows "
                                "cannot take."));
    EXPECT_THAT(lines, Contains("Not done: " + d +
                                "\\victim\\x00\\.. holds a character Windows "
                                "cannot take."));
}

class OverlongLine : public testing::TestWithParam<std::size_t> {};

// The entry after an over-long line in its section is not acted on; the next
// section is read as usual, and the log says why the rest was not done.
TEST_P(OverlongLine, EndsTheReadingOfItsSectionOnly) {
    SweepixRun sweepix;
    const std::string d = sweepix.dir();
    writeFile(d + "\\victim.txt", "x");
    CreateDirectoryA((d + "\\after").c_str(), nullptr);
    const std::string longLine = d + "\\" + std::string(GetParam() - d.size() - 1, 'x');
    ASSERT_EQ(longLine.size(), GetParam());
    sweepix.writeIni("[FILES_TO_DELETE]\n" + longLine + "\n" + d + "\\victim.txt\n" +
                     "[DIRECTORIES_TO_DELETE]\n" + d + "\\after\n");
    EXPECT_EQ(sweepix.runSilent(), 0);
    EXPECT_TRUE(exists(d + "\\victim.txt"));
    EXPECT_FALSE(exists(d + "\\after"));
    EXPECT_THAT(sweepix.logLines(),
                Contains("Not done: the line beginning " + longLine.substr(0, 64) +
                         " is over 1023 characters long; the rest of [FILES_TO_DELETE] was not "
                         "read."));
}

INSTANTIATE_TEST_SUITE_P(Lengths, OverlongLine, testing::Values(1024, 100 * 1024),
                         [](const auto& info) { return std::to_string(info.param); });

class RegistryTest : public testing::Test {
protected:
    const std::string base = "Software\\" + tag();
    const std::string agents =
        "SYSTEM\\CurrentControlSet\\Services\\SNMP\\Parameters\\ExtensionAgents";
    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, base.c_str());
        for (const char* slot : {"25", "26"}) {
            HKEY key;
            if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, agents.c_str(), 0, KEY_ALL_ACCESS, &key) == 0) {
                RegDeleteValueA(key, slot);
                RegCloseKey(key);
            }
        }
    }
};

TEST_F(RegistryTest, DeletesKeysValuesAndExtensionAgents) {
    const std::string hkcu = "HKEY_CURRENT_USER\\" + base;
    setRegString(HKEY_CURRENT_USER, base + "\\Tree", "v", "x");
    setRegString(HKEY_CURRENT_USER, base + "\\Tree\\A\\B\\C", "v", "x");
    setRegString(HKEY_CURRENT_USER, base + "\\Tree\\D", "v", "x");
    setRegString(HKEY_CURRENT_USER, base + "\\IfEmpty\\Sub", "v", "x");
    setRegString(HKEY_CURRENT_USER, base + "\\OnlyValues", "v", "x");
    setRegString(HKEY_CURRENT_USER, base + "\\Values", "gone", "x");
    setRegString(HKEY_CURRENT_USER, base + "\\Values", "kept", "x");
    const std::string agent25 = "SOFTWARE\\" + tag() + "\\Agent25";
    const std::string agent26 = "SOFTWARE\\" + tag() + "\\Agent26";
    setRegString(HKEY_LOCAL_MACHINE, agents, "25", agent25);
    setRegString(HKEY_LOCAL_MACHINE, agents, "26", agent26);

    SweepixRun sweepix;
    std::string upper25 = agent25;
    for (char& c : upper25)
        c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    sweepix.writeIni("[REGISTRY_TO_DELETE]\n" + hkcu + "\\Tree\n" + hkcu + "\\Missing\n" +
                     "HKEY_CURRENT_USER\\\nHKCU\\" + base + "\\Values\n" +
                     "[REGISTRY_TO_DELETE_IF_EMPTY]\n" + hkcu + "\\IfEmpty\n" + hkcu +
                     "\\OnlyValues\n" + "[REGISTRYVALUES_TO_DELETE]\n" + hkcu + "\\Values:gone\n" +
                     hkcu + "\\Values:\n" + hkcu + "\\Values:missing\n" + hkcu + "\\NoSuchKey:v\n" +
                     "[SNMPEXTENSIONAGENTS_TO_DELETE]\n" + upper25 + "\n" + agent26 + "\n");
    EXPECT_EQ(sweepix.runSilent(), 1);

    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, base + "\\Tree"));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, base + "\\IfEmpty\\Sub"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, base + "\\OnlyValues"));
    EXPECT_FALSE(valueExists(HKEY_CURRENT_USER, base + "\\Values", "gone"));
    EXPECT_TRUE(valueExists(HKEY_CURRENT_USER, base + "\\Values", "kept"));
    EXPECT_FALSE(valueExists(HKEY_LOCAL_MACHINE, agents, "25"));
    EXPECT_TRUE(valueExists(HKEY_LOCAL_MACHINE, agents, "26"));

    Lines lines = sweepix.logLines();
    for (const std::string& line :
         {"Successfully deleted " + hkcu + "\\Tree",
          "Registry " + hkcu + "\\Missing has already been removed.",
          "Registry root of HKCU\\" + base + "\\Values is not known.",
          "Registry " + hkcu + "\\IfEmpty is not empty.",
          "Successfully deleted " + hkcu + "\\OnlyValues",
          "Successfully deleted value gone under registry " + hkcu + "\\Values",
          "Value missing under registry " + hkcu + "\\Values has already been removed.",
          "Value v under registry " + hkcu + "\\NoSuchKey has already been removed.",
          "Successfully deleted SNMP extension agent " + upper25 + " with key name 25",
          "SNMP extension agent " + agent26 + " does not exist."})
        EXPECT_THAT(lines, Contains(line));
    // The entry ending in "\" and the one ending in ":" are skipped unlogged.
    EXPECT_THAT(sweepix.log(), Not(HasSubstr("HKEY_CURRENT_USER\\ ")));
    // A missing value is no missing key.
    EXPECT_THAT(lines, Not(Contains("Registry " + hkcu + "\\Values has already been removed.")));
    EXPECT_THAT(sweepix.log(), Not(HasSubstr("could not be deleted")));
}

// Sets the key's access list: empty (nobody may do anything, but its owner
// may change the list again) or none at all (everybody may do everything).
bool setKeyAccessList(HKEY root, const std::string& key, bool empty) {
    HKEY handle;
    if (RegOpenKeyExA(root, key.c_str(), 0, WRITE_DAC, &handle) != ERROR_SUCCESS)
        return false;
    ACL acl;
    SECURITY_DESCRIPTOR descriptor;
    bool set = InitializeAcl(&acl, sizeof acl, ACL_REVISION) &&
               InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
               SetSecurityDescriptorDacl(&descriptor, TRUE, empty ? &acl : nullptr, FALSE) &&
               RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, &descriptor) == ERROR_SUCCESS;
    RegCloseKey(handle);
    return set;
}

// A key that cannot be deleted: under wine an access list does not deny
// DELETE on a key, but a key with an empty list and a subkey of its own
// cannot be listed, so deleting its tree fails with 5 (access denied).
class LockedKeyTest : public RegistryTest {
protected:
    void lock(const std::string& key) {
        setRegString(HKEY_CURRENT_USER, base + "\\" + key + "\\Inner", "v", "x");
        ASSERT_TRUE(setKeyAccessList(HKEY_CURRENT_USER, base + "\\" + key, true)) << key;
        locked.push_back(base + "\\" + key);
    }
    void TearDown() override {
        for (const std::string& key : locked)
            setKeyAccessList(HKEY_CURRENT_USER, key, false);
        RegistryTest::TearDown();
    }
    std::vector<std::string> locked;
};

TEST_F(LockedKeyTest, AChildThatCannotBeDeletedIsReportedWithItsCode) {
    const std::string hkcu = "HKEY_CURRENT_USER\\" + base;
    setRegString(HKEY_CURRENT_USER, base + "\\Parent\\Gone", "v", "x");
    lock("Parent\\Child");
    setRegString(HKEY_CURRENT_USER, base + "\\Grand\\Mid\\Gone", "v", "x");
    lock("Grand\\Mid\\Leaf");

    SweepixRun sweepix;
    sweepix.writeIni("[REGISTRY_TO_DELETE]\n" + hkcu + "\\Parent\n" + hkcu + "\\Grand\n");
    EXPECT_EQ(sweepix.runSilent(), 0);

    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, base + "\\Parent\\Gone"));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, base + "\\Grand\\Mid\\Gone"));
    Lines lines = sweepix.logLines();
    auto heading = std::find(lines.begin(), lines.end(), "Deleting registry keys");
    ASSERT_GE(lines.end() - heading, 6);
    // Each failed key deepest first, then the entry's own line.
    EXPECT_THAT(
        Lines(heading + 1, heading + 6),
        ElementsAre("Registry " + hkcu + "\\Parent\\Child could not be deleted (error 5).",
                    "Registry " + hkcu + "\\Parent is not empty.",
                    "Registry " + hkcu + "\\Grand\\Mid\\Leaf could not be deleted (error 5).",
                    "Registry " + hkcu + "\\Grand\\Mid is not empty.",
                    "Registry " + hkcu + "\\Grand is not empty."));
}

class PathTest : public testing::Test {
protected:
    const std::string environment =
        "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
    void SetUp() override { original = regString(HKEY_LOCAL_MACHINE, environment, "Path", &type); }
    void TearDown() override {
        setRegString(HKEY_LOCAL_MACHINE, environment, "Path", original, type);
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, environment.c_str(), 0, KEY_ALL_ACCESS, &key) == 0) {
            RegDeleteValueA(key, "QVPATH");
            RegCloseKey(key);
        }
    }
    std::string original;
    DWORD type = REG_EXPAND_SZ;
};

TEST_F(PathTest, RemovesDirectoriesFromPathAndQvpath) {
    ASSERT_FALSE(original.empty());
    const std::string a = "C:\\" + tag() + "_a", b = "C:\\" + tag() + "_b",
                      q = "C:\\" + tag() + "_q";
    setRegString(HKEY_LOCAL_MACHINE, environment, "Path",
                 ";" + original + ";;" + a + ";" + b + "\\;%QVPATH%;", REG_SZ);
    setRegString(HKEY_LOCAL_MACHINE, environment, "QVPATH", q);

    SweepixRun sweepix;
    std::string lowerA = a;
    for (char& c : lowerA)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    sweepix.writeIni("[DIRECTORIES_TO_REMOVE_FROM_PATH]\n" + lowerA + "\n" + b + "\n" + q + "\n");
    EXPECT_EQ(sweepix.runSilent(), 1);

    DWORD newType = 0;
    std::string path = regString(HKEY_LOCAL_MACHINE, environment, "Path", &newType);
    EXPECT_EQ(path, original + ";" + b + "\\"); // the trailing "\" made a difference
    EXPECT_EQ(newType, static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_FALSE(valueExists(HKEY_LOCAL_MACHINE, environment, "QVPATH"));
    Lines lines = sweepix.logLines();
    EXPECT_THAT(lines, Contains("Removed environment variable with name QVPATH"));
    EXPECT_THAT(lines, Contains("Setting PATH = " + path));
}

// Items are compared as they stand in the variables: a quoted directory,
// which Windows takes in Path, is removed by its quoted entry, and the same
// directory unquoted is another item.
TEST_F(PathTest, RemovesQuotedItemsAsTheyStand) {
    ASSERT_FALSE(original.empty());
    const std::string bare = "C:\\Program Files\\" + tag() + "\\bin";
    const std::string quoted = "\"" + bare + "\"";
    setRegString(HKEY_LOCAL_MACHINE, environment, "Path", original + ";" + quoted + ";" + bare,
                 REG_EXPAND_SZ);
    setRegString(HKEY_LOCAL_MACHINE, environment, "QVPATH", "\"C:\\q one\";C:\\q2");

    SweepixRun sweepix;
    sweepix.writeIni("[DIRECTORIES_TO_REMOVE_FROM_PATH]\n" + quoted + "\n\"C:\\q one\"\n");
    EXPECT_EQ(sweepix.runSilent(), 1);
    EXPECT_EQ(regString(HKEY_LOCAL_MACHINE, environment, "Path"), original + ";" + bare);
    EXPECT_EQ(regString(HKEY_LOCAL_MACHINE, environment, "QVPATH"), "C:\\q2");
    Lines lines = sweepix.logLines();
    EXPECT_THAT(lines, Contains("Setting QVPATH = C:\\q2"));
    EXPECT_THAT(lines, Contains("Setting PATH = " + original + ";" + bare));
    EXPECT_THAT(sweepix.log(), Not(HasSubstr("Not done")));
}

TEST_F(PathTest, LeavesPathAloneWhenNothingMatches) {
    ASSERT_FALSE(original.empty());
    const std::string untouched = original + ";;C:\\" + tag() + "_c;";
    setRegString(HKEY_LOCAL_MACHINE, environment, "Path", untouched, REG_SZ);
    setRegString(HKEY_LOCAL_MACHINE, environment, "QVPATH", "C:\\q1;C:\\q2");

    SweepixRun sweepix;
    sweepix.writeIni("[DIRECTORIES_TO_REMOVE_FROM_PATH]\nC:\\" + tag() + "_zz\nC:\\q1\n");
    EXPECT_EQ(sweepix.runSilent(), 0); // a changed QVPATH alone is no change of Path
    DWORD newType = 0;
    EXPECT_EQ(regString(HKEY_LOCAL_MACHINE, environment, "Path", &newType), untouched);
    EXPECT_EQ(newType, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(regString(HKEY_LOCAL_MACHINE, environment, "QVPATH"), "C:\\q2");
    EXPECT_THAT(sweepix.logLines(), Contains("Setting QVPATH = C:\\q2"));
}

} // namespace
