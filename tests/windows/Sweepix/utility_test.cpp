#include "debug_capture.h"
#include "deletion_guard.h"
#include "file_fixture.h"
#include "utility.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using wintest::TempDir;

// --- system checks -------------------------------------------------------

TEST(SystemChecks, WineReportsAnNtAdministrator) {
    EXPECT_TRUE(isWindowsNT());
    EXPECT_TRUE(isWindows2000OrLater()); // a new prefix reports Windows 7
    EXPECT_EQ(isAdministrator(), 0);
}

TEST(SystemChecks, ExistenceTestsTellFilesFromDirectories) {
    TempDir dir;
    writeFile(dir.path() + "\\a.ini", "x");
    EXPECT_TRUE(fileExists(dir.path() + "\\a.ini"));
    EXPECT_FALSE(directoryExists(dir.path() + "\\a.ini"));
    EXPECT_TRUE(directoryExists(dir.path()));
    EXPECT_FALSE(fileExists(dir.path()));
    EXPECT_TRUE(fileExists(dir.path() + "\\*.ini")); // the first match
    EXPECT_FALSE(fileExists(dir.path() + "\\missing"));
    EXPECT_FALSE(directoryExists(dir.path() + "\\missing"));
}

// --- process runner --------------------------------------------------------

TEST(ProcessRunner, StartsInTheGivenDirectoryAndReportsFailure) {
    TempDir dir;
    HANDLE process = runProcess("cmd /c echo x> here.txt", dir.path().c_str(), false);
    ASSERT_NE(process, INVALID_HANDLE_VALUE);
    EXPECT_EQ(WaitForSingleObject(process, 20000), WAIT_OBJECT_0);
    CloseHandle(process);
    EXPECT_TRUE(fileExists(dir.path() + "\\here.txt"));
    EXPECT_EQ(runProcess("no_such_program_kor.exe", nullptr, true), INVALID_HANDLE_VALUE);
    DWORD error = ERROR_SUCCESS;
    DWORD start = GetTickCount();
    EXPECT_FALSE(runProcessAndWait("no_such_program_kor.exe", false, &error));
    EXPECT_LT(GetTickCount() - start, 5000u); // returns at once
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(runProcessAndWait("no_such_program_kor.exe", false)); // the code is optional
}

TEST(ProcessRunner, WaitsForTheProgramToEnd) {
    DWORD start = GetTickCount();
    EXPECT_TRUE(runProcessAndWait("\"" + wintest::binDir() + "\\kor_sleeper.exe\" 1", false));
    EXPECT_GE(GetTickCount() - start, 900u);
}

// --- registry ----------------------------------------------------------------

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        subKey = "Software\\KorTest" + std::to_string(GetCurrentProcessId());
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, subKey.c_str()); }
    void putRaw(const char* name, DWORD type, const std::string& bytes) {
        HKEY key;
        ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_ALL_ACCESS, &key),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                       static_cast<DWORD>(bytes.size()));
        RegCloseKey(key);
    }
    DWORD typeOf(const char* name) {
        DWORD type = 0;
        RegGetValueA(HKEY_CURRENT_USER, subKey.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type,
                     nullptr, nullptr);
        return type;
    }
    std::string subKey;
};

TEST_F(Registry, WritesReadsAndDeletesValues) {
    EXPECT_EQ(setRegistryString(HKEY_CURRENT_USER, subKey, "Plain", "C:\\x y"), 0);
    EXPECT_EQ(setRegistryExpandString(HKEY_CURRENT_USER, subKey, "Expand", "%SystemRoot%\\a"), 0);
    EXPECT_EQ(typeOf("Plain"), static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(typeOf("Expand"), static_cast<DWORD>(REG_EXPAND_SZ));
    EXPECT_EQ(GetValueFromRegistry(HKEY_CURRENT_USER, subKey, "Plain"), "C:\\x y");
    EXPECT_EQ(GetValueFromRegistry(HKEY_CURRENT_USER, subKey, "Expand"), "%SystemRoot%\\a");
    EXPECT_EQ(deleteRegistryValue(HKEY_CURRENT_USER, subKey, "Plain"), 0);
    EXPECT_EQ(GetValueFromRegistry(HKEY_CURRENT_USER, subKey, "Plain"), "");
    EXPECT_EQ(deleteRegistryValue(HKEY_CURRENT_USER, subKey, "Plain"), -1);
    EXPECT_EQ(setRegistryString(HKEY_CURRENT_USER, subKey + "\\missing", "v", "x"), -1);
    EXPECT_EQ(deleteRegistryValue(HKEY_CURRENT_USER, subKey + "\\missing", "v"), -1);
}

TEST_F(Registry, ValueDeleteVariantAnswersTheSystemsCode) {
    setRegistryString(HKEY_CURRENT_USER, subKey, "Plain", "x");
    struct {
        std::string key, value;
        LONG code;
    } cases[] = {
        {subKey, "Plain", ERROR_SUCCESS},
        {subKey, "Plain", ERROR_FILE_NOT_FOUND},           // the value is gone
        {subKey + "\\missing", "v", ERROR_FILE_NOT_FOUND}, // no key to open
    };
    for (const auto& c : cases)
        EXPECT_EQ(deleteRegistryValueCode(HKEY_CURRENT_USER, c.key, c.value), c.code)
            << c.key << ":" << c.value;
}

TEST_F(Registry, ReadEndsAtTheStoredLengthAndRefusesOversizedValues) {
    putRaw("Unterminated", REG_BINARY, "abcdefghij"); // no terminator stored
    putRaw("Fits", REG_SZ, std::string(1023, 'f') + '\0');
    putRaw("TooLong", REG_SZ, std::string(1024, 't') + '\0');
    putRaw("InnerNul", REG_SZ, std::string("ab\0cd", 5));
    EXPECT_EQ(GetValueFromRegistry(HKEY_CURRENT_USER, subKey, "Unterminated"), "abcdefghij");
    EXPECT_EQ(GetValueFromRegistry(HKEY_CURRENT_USER, subKey, "Fits"), std::string(1023, 'f'));
    DebugCapture capture;
    EXPECT_EQ(GetValueFromRegistry(HKEY_CURRENT_USER, subKey, "TooLong"), "");
    EXPECT_EQ(capture.all(),
              "GetValueFromRegistry\nGetValueFromRegistry: RegQueryValueEx failed.\n");
    EXPECT_EQ(GetValueFromRegistry(HKEY_CURRENT_USER, subKey, "InnerNul"), "ab");
}

TEST_F(Registry, MissingKeyIsTraced) {
    DebugCapture capture;
    EXPECT_EQ(GetValueFromRegistry(HKEY_CURRENT_USER, subKey + "\\none", "v"), "");
    EXPECT_EQ(capture.all(), "GetValueFromRegistry\nGetValueFromRegistry: Failed to get handle "
                             "to key " +
                                 subKey + "\\none\n");
}

// --- directories ---------------------------------------------------------------

TEST(DeletionGuard, RefusesRootsSystemDirectoriesAndRelativePaths) {
    char windows[MAX_PATH], system[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetSystemDirectoryA(system, MAX_PATH);
    struct {
        std::string path;
        bool refused;
    } cases[] = {
        {"C:", true},
        {"C:\\", true},
        {"c:/", true},
        {"D:", true},
        {"\\\\server\\share", true},
        {"\\\\server\\share\\", true},
        {"relative\\dir", true},
        {"C:relative", true},
        {"\\rooted-without-drive", true},
        {"", true},
        {windows, true},
        {std::string(windows) + "\\", true},
        {system, true},
        {std::string(windows) + "\\..\\" + (windows + 3),
         true}, // resolves to the Windows directory
        {"C:\\temp\\kor", false},
        {"C:\\windows-not", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(!deletionRefusal(c.path).empty(), c.refused) << "'" << c.path << "'";
}

class Directories : public ::testing::Test {
protected:
    std::string at(const std::string& relative) const { return dir.path() + "\\" + relative; }
    void makeTree() {
        CreateDirectoryA(at("tree").c_str(), nullptr);
        CreateDirectoryA(at("tree\\sub").c_str(), nullptr);
        CreateDirectoryA(at("tree\\sub\\deeper").c_str(), nullptr);
        writeFile(at("tree\\a.txt"), "a");
        writeFile(at("tree\\sub\\b.txt"), "b");
        writeFile(at("tree\\sub\\deeper\\c.txt"), "c");
    }
    TempDir dir;
};

TEST_F(Directories, DeleteRemovesTheWholeTreeIncludingReadOnlyFiles) {
    makeTree();
    SetFileAttributesA(at("tree\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    DebugCapture capture;
    EXPECT_TRUE(DeleteDirectory(at("tree"), true));
    EXPECT_FALSE(exists(at("tree")));
    EXPECT_EQ(capture.texts().front(), "DeleteDirectory(" + at("tree") + ", recurse = true)\n");
    EXPECT_EQ(capture.texts().back(), "Removed Directory: " + at("tree") + "\n");
}

TEST_F(Directories, DeleteWithoutRecursionKeepsSubdirectoriesAndAnswersFalse) {
    makeTree();
    EXPECT_FALSE(DeleteDirectory(at("tree"), false));
    EXPECT_FALSE(exists(at("tree\\a.txt")));
    EXPECT_TRUE(exists(at("tree\\sub\\b.txt")));
}

TEST_F(Directories, DeleteOfAMissingDirectoryAnswersTrue) {
    EXPECT_TRUE(DeleteDirectory(at("never"), true));
}

TEST_F(Directories, DeleteNeverFollowsALink) {
    makeTree();
    CreateDirectoryA(at("victim").c_str(), nullptr);
    writeFile(at("victim\\precious.txt"), "keep me");
    ASSERT_TRUE(makeUnixLink(at("victim"), at("tree\\link")));
    bool answer = DeleteDirectory(at("tree"), true);
    EXPECT_EQ(readFile(at("victim\\precious.txt")), "keep me");
    EXPECT_FALSE(exists(at("tree\\a.txt")));
    EXPECT_FALSE(exists(at("tree\\sub")));
    // Wine cannot remove a link to a directory; Windows can. Either way the
    // answer says whether the tree is gone.
    EXPECT_EQ(answer, !exists(at("tree")));
    removeUnixLink(at("tree\\link"));

    // Handed the link itself: the link is its only business.
    ASSERT_TRUE(makeUnixLink(at("victim"), at("direct")));
    DeleteDirectory(at("direct"), true);
    EXPECT_EQ(readFile(at("victim\\precious.txt")), "keep me");
    removeUnixLink(at("direct"));
}

// Windows reads such a path only up to its NUL, so the listing answers the
// directory itself, whose name, appended, opens it again.
TEST_F(Directories, DeleteNeverEntersTheDirectoryBeingListedAgain) {
    CreateDirectoryA(at("keep").c_str(), nullptr);
    writeFile(at("keep\\precious.txt"), "keep me");
    for (const std::string& tail : {std::string("\0junk", 5), std::string("\0\\..", 4)}) {
        DebugCapture capture;
        EXPECT_FALSE(DeleteDirectory(at("keep") + tail, true));
        EXPECT_EQ(readFile(at("keep\\precious.txt")), "keep me");
    }
}

TEST_F(Directories, DeleteStopsAtItsDepthBound) {
    // 70 levels of one-letter names stay within MAX_PATH.
    std::string path = at("deep");
    CreateDirectoryA(path.c_str(), nullptr);
    writeFile(path + "\\top.txt", "x");
    for (int level = 1; level <= 70; ++level) {
        path += "\\d";
        ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr)) << level;
    }
    writeFile(path + "\\bottom.txt", "x");
    ASSERT_TRUE(exists(path + "\\bottom.txt"));
    DebugCapture capture;
    EXPECT_FALSE(DeleteDirectory(at("deep"), true));
    EXPECT_FALSE(exists(at("deep\\top.txt")));
    EXPECT_TRUE(exists(path + "\\bottom.txt"));
}

TEST_F(Directories, RefusedDeletionAnswersFalseIsTracedAndTouchesNothing) {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::string drive = std::string(windows).substr(0, 2);
    for (const std::string& path :
         {drive, drive + "\\", std::string(windows), std::string("tree")}) {
        DebugCapture capture;
        EXPECT_FALSE(DeleteDirectory(path, true)) << path;
        ASSERT_EQ(capture.texts().size(), 2u) << path;
        EXPECT_EQ(capture.texts()[1].rfind("DeleteDirectory: refused to delete " + path, 0), 0u)
            << capture.texts()[1];
    }
    EXPECT_TRUE(exists(std::string(windows) + "\\system32"));
}

TEST_F(Directories, HasSubDirectory) {
    makeTree();
    EXPECT_TRUE(hasSubDirectory(at("tree")));
    EXPECT_FALSE(hasSubDirectory(at("tree\\sub\\deeper")));
    EXPECT_TRUE(hasSubDirectory(at("missing")));
}

TEST_F(Directories, CopyCreatesTheDestinationAndOverwrites) {
    makeTree();
    SetFileAttributesA(at("tree\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(CopyDirectory(at("tree"), at("copy"), true));
    EXPECT_EQ(readFile(at("copy\\a.txt")), "a");
    EXPECT_EQ(readFile(at("copy\\sub\\deeper\\c.txt")), "c");
    EXPECT_EQ(GetFileAttributesA(at("copy\\a.txt").c_str()) & FILE_ATTRIBUTE_READONLY, 0u);

    writeFile(at("tree\\sub\\b.txt"), "new");
    EXPECT_TRUE(CopyDirectory(at("tree\\sub"), at("copy\\sub"), false));
    EXPECT_EQ(readFile(at("copy\\sub\\b.txt")), "new");

    EXPECT_TRUE(CopyDirectory(at("tree"), at("flat"), false));
    EXPECT_TRUE(exists(at("flat\\a.txt")));
    EXPECT_FALSE(exists(at("flat\\sub")));

    EXPECT_TRUE(CopyDirectory(at("nosource"), at("empty"), true));
    EXPECT_TRUE(directoryExists(at("empty")));
    EXPECT_FALSE(CopyDirectory(at("tree"), at("no\\parent"), true));
    SetFileAttributesA(at("tree\\a.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// --- install database ------------------------------------------------------------

TEST(InstallDatabase, KeyMatchesOnlyBeforeTheFirstEquals) {
    TempDir dir;
    std::string longValue(5000, 'v');
    writeFile(dir.path() + "\\qvinstal.db", "xzutr.installpath=C:\\wrong\n"
                                            "zutr.installpath=\n"
                                            "other.key=zutr.installpath=C:\\wrong too\n"
                                            "long.value=" +
                                                longValue +
                                                "\n"
                                                "zutr.installpath=C:\\Program Files\\zutr\n"
                                                "zutr.installdrive=D:\n"
                                                "zutr.big=" +
                                                longValue + "\n");
    EXPECT_EQ(readInstallDbValue(dir.path(), "zutr.installpath"), "C:\\Program Files\\zutr");
    EXPECT_EQ(readInstallDbValue(dir.path(), "zutr.installdrive"), "D:");
    EXPECT_EQ(readInstallDbValue(dir.path(), "zutr.big"), longValue);
    EXPECT_EQ(readInstallDbValue(dir.path(), "zutr"), "");
    EXPECT_EQ(readInstallDbValue(dir.path() + "\\missing", "zutr.installpath"), "");
}

// --- shell folders -----------------------------------------------------------------

TEST(ShellFolders, CommonFoldersExistAndUnknownIdsAnswerEmpty) {
    std::string desktop = GetDesktopAndStartMenuFolder(25);
    std::string programs = GetDesktopAndStartMenuFolder(23);
    EXPECT_TRUE(directoryExists(desktop)) << desktop;
    EXPECT_TRUE(directoryExists(programs)) << programs;
    DebugCapture capture;
    EXPECT_EQ(GetDesktopAndStartMenuFolder(0x7E), "");
    EXPECT_FALSE(capture.texts().empty());
}

} // namespace
