// Splitting entry lines and path lists, the language index, the directory
// rules of the discovery, the local form of administrative shares and the
// log lines told by the system's answers.
#include "action_report.h"
#include "admin_share.h"
#include "entry_parts.h"
#include "install_dir_rules.h"
#include "language_index.h"
#include "path_list.h"

#include <gtest/gtest.h>

namespace {

using Problem = RegistryValueEntry::Problem;

TEST(EntryParts, ServiceEntry) {
    struct Case {
        std::string entry, name, description;
    } cases[] = {
        {"svc;My service", "svc", "My service"},
        {"svc", "svc", ""},
        {";svc", ";svc", ""},
        {"a;b;c", "a", "b;c"},
        {"svc;", "svc", ""},
    };
    for (const auto& c : cases) {
        ServiceEntry e = splitServiceEntry(c.entry);
        EXPECT_EQ(e.name, c.name) << c.entry;
        EXPECT_EQ(e.description, c.description) << c.entry;
    }
}

TEST(EntryParts, RegistryValueEntry) {
    struct Case {
        std::string entry;
        Problem problem;
        std::string root, key, value, arguments;
    } cases[] = {
        {"HKEY_LOCAL_MACHINE\\Soft\\X:Uninstall", Problem::None, "HKEY_LOCAL_MACHINE", "Soft\\X",
         "Uninstall", ""},
        {"HKLM\\K:V:/quiet /x", Problem::None, "HKLM", "K", "V", "/quiet /x"},
        {"HKLM\\K:V:", Problem::None, "HKLM", "K", "V", ""},
        {"HKLM\\K::x", Problem::None, "HKLM", "K", ":x", ""}, // ":" first: no arguments split
        {"HKLM\\K:", Problem::NoValue, "HKLM", "", "", ""},
        {"HKLM\\K", Problem::NoValue, "HKLM", "", "", ""},
        {"HKLM\\:V", Problem::None, "HKLM", "", "V", ""},
        {"HKLM\\:", Problem::None, "HKLM", "", "", ""},
        {"no root", Problem::NoRoot, "", "", "", ""},
    };
    for (const auto& c : cases) {
        RegistryValueEntry e = splitRegistryValueEntry(c.entry);
        std::string arguments = splitArguments(e.regValue);
        EXPECT_EQ(e.problem, c.problem) << c.entry;
        if (c.problem != Problem::None)
            continue;
        EXPECT_EQ(e.rootKey, c.root) << c.entry;
        EXPECT_EQ(e.regKey, c.key) << c.entry;
        EXPECT_EQ(e.regValue, c.value) << c.entry;
        EXPECT_EQ(arguments, c.arguments) << c.entry;
    }
}

TEST(EntryParts, RegistryRootByContainedName) {
    EXPECT_EQ(registryRootIndex("HKEY_CLASSES_ROOT"), 0);
    EXPECT_EQ(registryRootIndex("HKEY_CURRENT_CONFIG"), 1);
    EXPECT_EQ(registryRootIndex("xHKEY_CURRENT_USERx"), 2);
    EXPECT_EQ(registryRootIndex("HKEY_LOCAL_MACHINE"), 3);
    EXPECT_EQ(registryRootIndex("HKEY_USERS"), 4);
    EXPECT_EQ(registryRootIndex("HKLM"), -1);
    EXPECT_EQ(registryRootIndex("hkey_local_machine"), -1);
}

TEST(PathList, SplitsAndJoinsWithoutEmptyPieces) {
    struct Case {
        std::string value;
        std::vector<std::string> pieces;
    } cases[] = {
        {"", {}},  {"a", {"a"}},  {"a;b", {"a", "b"}}, {";;a;;b;", {"a", "b"}},
        {";", {}}, {"a;", {"a"}},
    };
    for (const auto& c : cases) {
        std::vector<std::string> list{"pre"};
        splitPathList(list, c.value);
        std::vector<std::string> expected{"pre"};
        expected.insert(expected.end(), c.pieces.begin(), c.pieces.end());
        EXPECT_EQ(list, expected) << c.value;
    }
    EXPECT_EQ(joinPathList({"", "a", "", "b", ""}), "a;b");
    EXPECT_EQ(joinPathList({"", ""}), "");
}

TEST(PathList, ClearsWholeItemsIgnoringCase) {
    std::vector<std::string> list{"C:\\A", "c:\\a", "C:\\A\\", "C:\\AB"};
    EXPECT_TRUE(clearPathItem(list, "C:\\a"));
    EXPECT_EQ(list, (std::vector<std::string>{"", "", "C:\\A\\", "C:\\AB"}));
    EXPECT_FALSE(clearPathItem(list, "C:\\a"));
    EXPECT_FALSE(clearPathItem(list, ""));
}

TEST(LanguageIndex, MapsTheLocaleIdentifiers) {
    struct Case {
        const char* text;
        int index;
    } cases[] = {
        {"0407", 0}, {"1407", 0}, {"1807", 5}, {"040A", 1}, {"500a", 1}, {"540A", 5},
        {"040C", 2}, {"180C", 2}, {"1C0C", 5}, {"0411", 3}, {"0804", 4}, {"0409", 5},
        {"0004", 5}, {"", 5},     {"zz", 5},   {"0C07", 0}, {"0007", 5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(languageIndexFromText(c.text), c.index) << c.text;
}

TEST(AdminShare, LocalFormOfThisMachinesShares) {
    const std::vector<std::string> names = {"localhost", "KORHOST", "korhost.example.org", ""};
    struct Case {
        std::string path, local;
    } cases[] = {
        {"\\\\localhost\\C$\\windows", "C:\\windows"},
        {"\\\\LOCALHOST\\c$\\windows\\system32", "c:\\windows\\system32"},
        {"\\\\korhost\\D$", "D:\\"},
        {"\\\\korhost\\D$\\", "D:\\"},
        {"//korhost/C$/windows", "C:/windows"},
        {"\\\\korhost.example.org\\C$\\x", "C:\\x"},
        {"\\\\127.0.0.1\\C$\\windows", "C:\\windows"},
        {"\\\\127.1.2.3\\e$", "e:\\"},
        {"\\\\?\\UNC\\localhost\\C$\\windows", "C:\\windows"},
        {"\\\\.\\unc\\localhost\\C$\\windows", "C:\\windows"},
        {"\\\\localhost\\ADMIN$", "C:\\WINNT"},
        {"\\\\localhost\\admin$\\system32", "C:\\WINNT\\system32"},
        // Not this machine, not an administrative share, or no network path.
        {"\\\\otherhost\\C$\\windows", ""},
        {"\\\\localhost\\share\\windows", ""},
        {"\\\\localhost\\CC$\\windows", ""},
        {"\\\\localhost\\1$", ""},
        {"\\\\localhost", ""},
        {"\\\\localhost\\", ""},
        {"\\\\\\C$\\windows", ""},
        {"\\\\?\\C:\\windows", ""},
        {"\\\\.\\C:\\windows", ""},
        {"\\\\?\\UNCX\\localhost\\C$", ""},
        {"C:\\windows", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(localFormOfAdminShare(c.path, names, "C:\\WINNT"), c.local) << c.path;
}

TEST(AdminShare, RootOfTheDriveOrShareAPathBeginsWith) {
    struct Case {
        std::string path, root;
    } cases[] = {
        {"D:\\", "D:\\"},
        {"d:", "d:\\"},
        {"D:\\sub\\dir", "D:\\"},
        {"D:/sub", "D:\\"},
        {"\\\\?\\D:\\sub", "\\\\?\\D:\\"},
        {"\\\\.\\D:", "\\\\.\\D:\\"},
        {"\\\\server\\share", "\\\\server\\share\\"},
        {"\\\\server\\share\\sub\\dir", "\\\\server\\share\\"},
        {"//server/share/sub", "//server\\share\\"},
        {"\\\\?\\UNC\\server\\share\\sub", "\\\\?\\UNC\\server\\share\\"},
        // No drive, or a server without a share.
        {"\\\\server", ""},
        {"\\\\server\\", ""},
        {"\\\\\\share", ""},
        {"\\\\?\\Volume{0}\\", ""},
        {"sub\\dir", ""},
        {"1:\\", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rootByName(c.path), c.root) << c.path;
}

// The system's codes: 2 file not found, 3 path not found, 5 access denied.
TEST(ActionReport, KeyLinesFollowTheSystemsAnswer) {
    struct Case {
        long code;
        bool hasSubkeys;
        std::string line;
    } cases[] = {
        {0, false, "Successfully deleted HKEY_CURRENT_USER\\K"},
        {2, false, "Registry HKEY_CURRENT_USER\\K has already been removed."},
        {3, false, "Registry HKEY_CURRENT_USER\\K has already been removed."},
        {2, true, "Registry HKEY_CURRENT_USER\\K has already been removed."},
        {5, true, "Registry HKEY_CURRENT_USER\\K is not empty."},
        {5, false, "Registry HKEY_CURRENT_USER\\K could not be deleted (error 5)."},
        {6, false, "Registry HKEY_CURRENT_USER\\K could not be deleted (error 6)."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(keyDeletionLine("HKEY_CURRENT_USER\\K", c.code, c.hasSubkeys), c.line) << c.code;
}

TEST(ActionReport, ValueAndAgentLinesNameTheValueOrAgent) {
    struct Case {
        long code;
        std::string value, agent;
    } cases[] = {
        {0, "Successfully deleted value v under registry HKEY_USERS\\K",
         "Successfully deleted SNMP extension agent SOFTWARE\\A with key name 7"},
        {2, "Value v under registry HKEY_USERS\\K has already been removed.",
         "SNMP extension agent SOFTWARE\\A does not exist."},
        {5, "Value v under registry HKEY_USERS\\K could not be deleted (error 5).",
         "SNMP extension agent SOFTWARE\\A could not be deleted (error 5)."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(valueDeletionLine("v", "HKEY_USERS\\K", c.code), c.value) << c.code;
        EXPECT_EQ(agentDeletionLine("SOFTWARE\\A", "7", c.code), c.agent) << c.code;
    }
    // No registration matched: nothing was asked of the system.
    EXPECT_EQ(agentDeletionLine("SOFTWARE\\A", "", 0),
              "SNMP extension agent SOFTWARE\\A does not exist.");
    EXPECT_EQ(startFailureLine("un.exe /x", 2), "Could not start un.exe /x (error 2).");
}

TEST(InstallDirRules, ParentAndSlashes) {
    EXPECT_EQ(parentOf("C:\\A\\B\\QVA", false), "C:\\A\\B");
    EXPECT_EQ(parentOf("C:\\A\\B\\QVA\\", false), "C:\\A\\B\\QVA");
    EXPECT_EQ(parentOf("C:/A/B", false), "");
    EXPECT_EQ(parentOf("\\x", false), "");
    EXPECT_EQ(parentOf("C:/A/B", true), "C:/A/B");
    EXPECT_EQ(parentOf(turnSlashes("C:/A/B/agent.exe"), true), "C:\\A\\B");
    EXPECT_EQ(turnSlashes("a/b\\c/"), "a\\b\\c\\");
}

TEST(InstallDirRules, ProgramFilesByLanguage) {
    EXPECT_STREQ(programFilesNames(0).programFiles, "Programme");
    EXPECT_STREQ(programFilesNames(0).common, "PROGRA~1\\GEMEIN~1");
    EXPECT_STREQ(programFilesNames(1).common, "ARCHIV~1\\ARCHIV~1");
    EXPECT_STREQ(programFilesNames(2).common, "PROGRA~1\\FICHIE~1");
    EXPECT_STREQ(programFilesNames(2).programFiles, "Program Files");
    EXPECT_STREQ(programFilesNames(5).common, "PROGRA~1\\COMMON~1");
}

} // namespace
