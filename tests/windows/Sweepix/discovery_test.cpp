// Finding the directories behind the placeholders from the products'
// registry values and the install database. Runs in a wine prefix of its
// own: it writes machine keys and the database in the Windows directory.
#include "debug_capture.h"
#include "file_fixture.h"
#include "ini_reader.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

const char* const kOstrivan = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Ostrivan";
const char* const kVarn = "SOFTWARE\\Varn Computer Corporation";
const char* const kQva = "SOFTWARE\\Varn Computer Corporation\\Varn QVA";
const char* const kZutr = "SOFTWARE\\Varn Computer Corporation\\Varn ZUTR";
const char* const kRacMn =
    "SOFTWARE\\Varn Computer Corporation\\Quillomark\\Remote Access Card Managed Node";
const char* const kRacVnc =
    "SOFTWARE\\Varn Computer Corporation\\Quillomark\\RAC VNC Remote Service";
const char* const kSx = "SOFTWARE\\VERITAS\\ISIS\\1.0";
const char* const kVeskMn =
    "SOFTWARE\\American Megatrends Inc.\\VESKHost\\SNMPAgent\\CurrentVersion";
const char* const kVeskMs = "SOFTWARE\\American Megatrends Inc.\\VESK IIClient2.3.0.0";

struct RegValue {
    const char* key;
    const char* name;
    const char* data;
};

// Expected values; "@" stands for the agent directory.
struct Expected {
    std::string qva, zutr, sx, racmn, racvnc, vesk2mn, vesk2ms;
};

struct DiscoveryCase {
    const char* label;
    std::vector<RegValue> values;
    std::string database; // empty: no database file
    Expected expected;
};

const std::string kFallback = "C:\\Program Files\\Varn\\Quillomark";
const Expected kBelowAgent = {
    "", "", "", "@\\RAC\\MN", "@\\RAC\\VNC", "@\\vesk\\server", "@\\vesk\\client"};

Expected withAgent(std::string agent, Expected e = kBelowAgent) {
    e.qva = agent;
    for (std::string* v : {&e.racmn, &e.racvnc, &e.vesk2mn, &e.vesk2ms})
        if (!v->empty() && (*v)[0] == '@')
            v->replace(0, 1, agent);
    return e;
}

class DiscoveryTest : public testing::Test {
protected:
    void SetUp() override { clear(); }
    void TearDown() override { clear(); }
    void clear() {
        for (const char* key :
             {kOstrivan, kVarn, "SOFTWARE\\VERITAS", "SOFTWARE\\American Megatrends Inc."})
            RegDeleteTreeA(HKEY_LOCAL_MACHINE, key);
        DeleteFileA(database().c_str());
    }
    static std::string database() {
        char windows[MAX_PATH];
        GetWindowsDirectoryA(windows, MAX_PATH);
        return std::string(windows) + "\\qvinstal.db";
    }
    static void set(const RegValue& v) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, v.key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, v.name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.data),
                       static_cast<DWORD>(strlen(v.data) + 1));
        RegCloseKey(key);
    }
};

TEST_F(DiscoveryTest, FindsEachDirectoryFromItsSources) {
    const DiscoveryCase cases[] = {
        {"no products", {}, "", withAgent(kFallback)},
        {"agent's uninstall location, slashes turned",
         {{kOstrivan, "InstallLocation", "D:/Ost/Dir"}},
         "",
         withAgent("D:\\Ost\\Dir")},
        {"agent path cut at its last backslash",
         {{kQva, "InstallPath", "C:\\A\\B\\QVA"}},
         "",
         withAgent("C:\\A\\B")},
        {"trailing backslash cut only",
         {{kQva, "InstallPath", "C:\\A\\B\\QVA\\"}},
         "",
         withAgent("C:\\A\\B\\QVA")},
        {"forward slashes only: the database next",
         {{kQva, "InstallPath", "C:/A/B"}},
         "other=1\nzutr.installdrive=E:\nzutr.installpath=/Db/Path\n",
         withAgent("E:\\Db\\Path")},
        {"database with one key only", {}, "zutr.installdrive=E:\n", withAgent(kFallback)},
        {"data manager from the agent path",
         {{kVarn, "VarnAgentPath", "F:/Agent"}, {kZutr, "InstallPath", "X:\\unused"}},
         "",
         [] {
             Expected e = withAgent(kFallback);
             e.zutr = "F:\\Agent";
             return e;
         }()},
        {"products' own directories",
         {{kZutr, "InstallPath", "G:\\Zutr"},
          {kSx, "InstallDir", "G:/sx"},
          {kRacMn, "PATH", "H:/rac/mn"},
          {kRacVnc, "PATH", "H:\\rac\\vnc"},
          {kVeskMn, "Pathname", "I:/v/agent.exe"},
          {kVeskMs, "InstallDir", "J:\\ms"}},
         "",
         {kFallback, "G:\\Zutr", "G:\\sx", "H:\\rac\\mn", "H:\\rac\\vnc", "I:\\v", "J:\\ms"}},
        {"host path without a backslash stays whole",
         {{kVeskMn, "Pathname", "agent"}},
         "",
         [] {
             Expected e = withAgent(kFallback);
             e.vesk2mn = "agent";
             return e;
         }()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        clear();
        for (const auto& v : c.values)
            set(v);
        if (!c.database.empty())
            writeFile(database(), c.database);
        INIReader::discoverInstallDirectories(5);
        EXPECT_EQ(INIReader::m_sZUTRInstallDir, c.expected.qva);
        EXPECT_EQ(INIReader::m_sTamselInstallDir, c.expected.zutr);
        EXPECT_EQ(INIReader::m_sStrandixInstallDir, c.expected.sx);
        EXPECT_EQ(INIReader::m_RACMNInstallDir, c.expected.racmn);
        EXPECT_EQ(INIReader::m_RACVNCInstallDir, c.expected.racvnc);
        EXPECT_EQ(INIReader::m_sVESK2MNDir, c.expected.vesk2mn);
        EXPECT_EQ(INIReader::m_sVESK2MSDir, c.expected.vesk2ms);
    }
}

TEST_F(DiscoveryTest, SystemDirectoriesAndLanguageNames) {
    DebugCapture trace;
    INIReader::discoverInstallDirectories(0);
    EXPECT_EQ(INIReader::m_sWindowsDir, "C:\\windows");
    EXPECT_EQ(INIReader::m_sSystemDrive, "C:");
    EXPECT_EQ(INIReader::m_sProgramFilesDir, "Programme");
    EXPECT_EQ(INIReader::m_sProgramFilesCommonDir, "PROGRA~1\\GEMEIN~1");
    EXPECT_FALSE(INIReader::m_sDesktopDir.empty());
    EXPECT_FALSE(INIReader::m_sStartMenuDir.empty());
    std::string all = trace.all();
    for (const char* line :
         {"INIReader::m_sSystemDrive = C:\n", "Will try to get m_sZUTRInstallDir from db file\n",
          "Using m_sZUTRInstallDir to set m_sRACMNInstallDir\n",
          "INIReader::m_sVESK2MSDir = C:\\Program Files\\Varn\\Quillomark\\vesk\\client\n"})
        EXPECT_NE(all.find(line), std::string::npos) << line;
    INIReader::discoverInstallDirectories(3);
    EXPECT_EQ(INIReader::m_sProgramFilesDir, "Program Files");
    EXPECT_EQ(INIReader::m_sProgramFilesCommonDir, "PROGRA~1\\COMMON~1");
}

} // namespace
