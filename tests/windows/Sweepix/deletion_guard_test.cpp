// The deletion guard against every way of naming the Windows directory, the
// system directory and the drive root. The deletions are real: this test runs
// in a wine prefix of its own with no drive of the host (see
// guard-prefix-shape, which also makes the links under C:\guard\links), and a
// guard that let a row through would delete that prefix's Windows directory.
#include "debug_capture.h"
#include "utility.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

namespace {

const std::string kLinks = "C:\\guard\\links";

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string computerName() {
    char name[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof name;
    return GetComputerNameA(name, &size) ? std::string(name, size) : std::string();
}

std::string shortName(const std::string& path) {
    char buffer[MAX_PATH];
    DWORD length = GetShortPathNameA(path.c_str(), buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

class DeletionGuard : public ::testing::Test {
protected:
    void SetUp() override {
        char windows[MAX_PATH];
        ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);
        // The links of the prefix set-up point here.
        ASSERT_STREQ(windows, "C:\\windows");
        ASSERT_TRUE(exists(kLinks + "\\windows\\system32")) << "the prefix set-up made no links";
        ASSERT_FALSE(exists("Z:\\")) << "the prefix must have no drive of the host";
    }
    // What must survive every refused row.
    void expectIntact(const std::string& row) {
        EXPECT_TRUE(exists("C:\\windows\\system32\\kernel32.dll")) << row;
        EXPECT_TRUE(exists("C:\\windows\\win.ini")) << row;
        EXPECT_TRUE(exists(kLinks + "\\windows")) << row;
    }
};

TEST_F(DeletionGuard, RefusesEveryNameOfTheSystemsDirectories) {
    const std::string host = computerName();
    ASSERT_FALSE(host.empty());
    const std::string longLink = kLinks + "\\a link with a long name";
    const std::string shortLink = shortName(longLink);
    ASSERT_FALSE(shortLink.empty());
    ASSERT_NE(shortLink, longLink);
    struct {
        std::string path, reason;
    } rows[] = {
        {"C:\\windows", "Windows directory"},
        {"c:\\WINDOWS\\", "Windows directory"},
        {"C:/windows", "Windows directory"},
        {"C:\\guard\\..\\windows", "Windows directory"},
        {"\\\\?\\C:\\windows", "Windows directory"},
        {"\\\\.\\C:\\windows", "Windows directory"},
        {"\\\\?\\C:\\windows\\system32", "system directory"},
        {"\\\\.\\C:\\windows\\SYSTEM32\\", "system directory"},
        {"C:", "drive root"},
        {"C:\\", "drive root"},
        {"\\\\?\\C:\\", "drive root"},
        {"\\\\.\\C:", "drive root"},
        // Links as the last component and in between.
        {kLinks + "\\windows", "Windows directory"},
        {kLinks + "\\windows\\system32", "system directory"},
        {kLinks + "\\drive", "drive root"},
        {kLinks + "\\drive\\windows", "Windows directory"},
        {"\\\\?\\" + kLinks + "\\drive\\windows\\system32", "system directory"},
        // A short 8.3 name of a link.
        {shortLink, "Windows directory"},
        {shortLink + "\\system32", "system directory"},
        // Administrative shares of this machine, which wine cannot open: told
        // by their local form.
        {"\\\\localhost\\C$\\windows", "Windows directory"},
        {"\\\\?\\UNC\\localhost\\C$\\windows\\system32", "system directory"},
        {"\\\\.\\UNC\\127.0.0.1\\c$\\windows", "Windows directory"},
        {"\\\\" + host + "\\C$\\guard\\links\\windows", "Windows directory"},
        {"\\\\" + host + "\\ADMIN$\\system32", "system directory"},
        {"\\\\localhost\\admin$\\", "drive root"}, // a share root by its name
        {"\\\\localhost\\admin$\\system32\\..", "Windows directory"},
        {"\\\\localhost\\C$", "drive root"},
        // Roots of the prefix's other volumes, compared with the path's own.
        {"D:\\.", "drive root"},
        {"F:\\sub\\..", "drive root"},
        {"\\\\server\\share\\.", "drive root"},
        {"windows", "relative path"},
        {"C:windows", "relative path"},
    };
    for (const auto& row : rows) {
        DebugCapture capture;
        EXPECT_FALSE(DeleteDirectory(row.path, true)) << row.path;
        ASSERT_EQ(capture.texts().size(), 2u) << row.path;
        EXPECT_EQ(capture.texts()[1],
                  "DeleteDirectory: refused to delete " + row.path + " (" + row.reason + ")\n");
        expectIntact(row.path);
    }
}

TEST_F(DeletionGuard, LetsOrdinaryDirectoriesGoByAnyName) {
    struct {
        std::string made, named;
    } rows[] = {
        {"C:\\guard\\scratch one", "C:\\guard\\scratch one"},
        {"C:\\guard\\scratch two", "\\\\?\\C:\\guard\\scratch two"},
        {"C:\\guard\\scratch three", "C:/guard/scratch three/"},
    };
    for (const auto& row : rows) {
        ASSERT_TRUE(CreateDirectoryA(row.made.c_str(), nullptr)) << row.made;
        std::ofstream(row.made + "\\file.txt") << "x";
        EXPECT_TRUE(DeleteDirectory(row.named, true)) << row.named;
        EXPECT_FALSE(exists(row.made)) << row.named;
    }
    // Nothing there: nothing to refuse, nothing to delete.
    EXPECT_TRUE(DeleteDirectory("C:\\guard\\never made", true));
    expectIntact("ordinary directories");
}

} // namespace
