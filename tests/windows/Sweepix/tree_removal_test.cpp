// The two removals of the delete actions, in-process on real directories and
// real registry keys: the whole tree, or only a leaf with its contents.
#include "file_actions.h"
#include "file_fixture.h"
#include "registry_actions.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <string>

namespace {

struct RemovalCase {
    TreeRemoval removal;
    bool withChild; // a subdirectory or subkey below the listed one
    bool removed;
};

const RemovalCase kCases[] = {
    {TreeRemoval::WholeTree, true, true},
    {TreeRemoval::WholeTree, false, true},
    {TreeRemoval::LeafOnly, true, false},
    {TreeRemoval::LeafOnly, false, true},
};

TEST(TreeRemoval, Directories) {
    for (const RemovalCase& c : kCases) {
        SCOPED_TRACE(testing::Message() << "leaf only " << (c.removal == TreeRemoval::LeafOnly)
                                        << ", child " << c.withChild);
        wintest::TempDir dir;
        const std::string target = dir.path() + "\\listed";
        ASSERT_TRUE(CreateDirectoryA(target.c_str(), nullptr));
        writeFile(target + "\\file.txt", "goes with its directory");
        if (c.withChild) {
            ASSERT_TRUE(CreateDirectoryA((target + "\\child").c_str(), nullptr));
        }
        const std::string ini = dir.path() + "\\t.ini";
        writeFile(ini, "[DIRS]\r\n" + target + "\r\n");

        DeleteDirectories action(c.removal);
        action.init(ini, "[DIRS]", IDS_DELETING_DIRECTORIES);
        std::ostringstream log;
        EXPECT_EQ(action.action(log), 0);
        EXPECT_EQ(!exists(target), c.removed) << log.str();
        EXPECT_EQ(log.str().find("is not empty") != std::string::npos, !c.removed) << log.str();
        if (exists(target)) { // the temporary directory removes only what it made
            RemoveDirectoryA((target + "\\child").c_str());
            DeleteFileA((target + "\\file.txt").c_str());
            RemoveDirectoryA(target.c_str());
        }
    }
}

bool keyExists(const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void makeKey(const std::string& path) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS)
        << path;
    const char value[] = "goes with its key";
    RegSetValueExA(key, "value", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof value);
    RegCloseKey(key);
}

TEST(TreeRemoval, RegistryKeys) {
    const std::string parent =
        "Software\\kor-sweepix-removal-" + std::to_string(GetCurrentProcessId());
    for (const RemovalCase& c : kCases) {
        SCOPED_TRACE(testing::Message() << "leaf only " << (c.removal == TreeRemoval::LeafOnly)
                                        << ", child " << c.withChild);
        const std::string target = parent + "\\listed";
        makeKey(target);
        if (c.withChild)
            makeKey(target + "\\child");
        wintest::TempDir dir;
        const std::string ini = dir.path() + "\\t.ini";
        writeFile(ini, "[KEYS]\r\nHKEY_CURRENT_USER\\" + target + "\r\n");

        DeleteRegistry action(c.removal);
        action.init(ini, "[KEYS]", IDS_REMOVING_KEYS);
        std::ostringstream log;
        EXPECT_EQ(action.action(log), c.removed ? 1 : 0) << log.str();
        EXPECT_EQ(!keyExists(target), c.removed) << log.str();
        RegDeleteKeyA(HKEY_CURRENT_USER, (target + "\\child").c_str());
        RegDeleteKeyA(HKEY_CURRENT_USER, target.c_str());
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, parent.c_str());
}

} // namespace
