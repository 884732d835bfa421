#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "db_paths.h"
#include "vorbdb/vorbdb.h"

namespace {

TEST(ProjectTable, ConvertsBothWaysIgnoringCase) {
    int id = 0;
    EXPECT_EQ(AuQVDBConvertStringToProjectID("ZUTR", &id), 0);
    EXPECT_EQ(id, 15);
    EXPECT_EQ(AuQVDBConvertStringToProjectID("qvtools", &id), 0);
    EXPECT_EQ(id, 43);
    id = 7;
    EXPECT_EQ(AuQVDBConvertStringToProjectID("zutr ", &id), -1);
    EXPECT_EQ(AuQVDBConvertStringToProjectID(nullptr, &id), -1);
    EXPECT_EQ(id, 7);

    char* name = nullptr;
    ASSERT_EQ(AuQVDBConvertProjectIDToString(36, &name), 0);
    EXPECT_STREQ(name, "telm_mn");
    AuQVDBFreeMemory(reinterpret_cast<void**>(&name));
    EXPECT_EQ(name, nullptr);
    for (int invalid : {0, 44, -1}) {
        name = reinterpret_cast<char*>(1);
        EXPECT_EQ(AuQVDBConvertProjectIDToString(invalid, &name), -1);
        EXPECT_EQ(name, nullptr);
    }
}

TEST(ParameterTable, ConvertsBothWaysIgnoringCase) {
    int id = 0;
    EXPECT_EQ(AuQVDBConvertStringToParameterID("PATCH.UNINSTALLSTRINGA", &id), 0);
    EXPECT_EQ(id, 13);
    EXPECT_EQ(AuQVDBConvertStringToParameterID("installpath", &id), -1);
    char* name = nullptr;
    ASSERT_EQ(AuQVDBConvertParameterIDToString(7, &name), 0);
    EXPECT_STREQ(name, "platformslice.uninstallstring");
    AuQVDBFreeMemory(reinterpret_cast<void**>(&name));
    EXPECT_EQ(AuQVDBConvertParameterIDToString(17, &name), -1);
    EXPECT_EQ(IsValidParameterIDEx("RequireProjects"), 1);
    EXPECT_EQ(IsValidParameterIDEx("requireProject"), 0);
    EXPECT_EQ(IsValidParameterIDEx(nullptr), 0);
}

// A list block: the names in table order, each closed by a NUL, then one more NUL.
void expectNameList(int (*list)(char**, int*), int expectedCount, const char* first,
                    const char* last) {
    char* block = nullptr;
    int count = 0;
    ASSERT_EQ(list(&block, &count), 0);
    ASSERT_EQ(count, expectedCount);
    const char* name = block;
    std::size_t total = 0;
    EXPECT_STREQ(name, first);
    for (int i = 0; i < count; ++i) {
        if (i == count - 1) {
            EXPECT_STREQ(name, last);
        }
        total += std::strlen(name);
        name += std::strlen(name) + 1;
    }
    EXPECT_EQ(*name, '\0');
    EXPECT_EQ(static_cast<std::size_t>(name - block), total + static_cast<std::size_t>(count));
    AuQVDBFreeMemory(reinterpret_cast<void**>(&block));
}

TEST(NameLists, HoldEveryNameInTableOrder) {
    expectNameList(AuQVDBGetProjectsStringArray, 43, "Corvance", "QVTools");
    expectNameList(AuQVDBGetParameterStringArray, 16, "installationresult", "systemid");
    EXPECT_EQ(AuQVDBGetProjectsStringArray(nullptr, nullptr), -1);
}

TEST(ApplicationType, ComesFromTheTableOr1000) {
    int type = 0;
    EXPECT_EQ(AuQVDBApplicationType(12, &type), 0);
    EXPECT_EQ(type, 1001);
    EXPECT_EQ(AuQVDBApplicationType(31, &type), 0);
    EXPECT_EQ(type, 1003);
    EXPECT_EQ(AuQVDBApplicationType(99, &type), -1);
    EXPECT_EQ(type, 1000);
    EXPECT_EQ(AuQVDBApplicationType(1, nullptr), -1);
}

TEST(Version, IsANewBlock) {
    char* text = nullptr;
    int length = 0;
    ASSERT_EQ(AuQVDBVersionInfo(&text, &length), 0);
    EXPECT_STREQ(text, "3.4.0.1");
    EXPECT_EQ(length, 7);
    AuQVDBFreeMemory(reinterpret_cast<void**>(&text));
    AuQVDBFreeMemory(reinterpret_cast<void**>(&text));
    EXPECT_EQ(text, nullptr);
    AuQVDBFreeMemory(nullptr);
}

TEST(InvalidIds, FailBeforeAnyFileIsTouched) {
    namespace fs = std::filesystem;
    fs::path dir =
        fs::temp_directory_path() /
        ("vorbdb-ids-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    ASSERT_TRUE(
        vorbdb::attachTo(dir.string().c_str(), static_cast<char>(fs::path::preferred_separator)));
    char* value = nullptr;
    int length = 5;
    EXPECT_EQ(AuQVDBInstallSelect(15, 17, &value, &length), -1);
    EXPECT_EQ(length, 0);
    EXPECT_EQ(AuQVDBInstallUpdate(44, 1, "x"), -1);
    EXPECT_EQ(AuQVDBInstallUpdate(15, 0, "x"), -1);
    EXPECT_EQ(AuQVDBInstallDelete(15, 17), -1);
    EXPECT_EQ(AuQVDBInstallDeleteAll(0), -1);
    EXPECT_EQ(AuQVDBInstallUpdateString(15, "", "x"), -1);
    EXPECT_EQ(AuQVDBInstallSelectString(15, "", &value, &length), -1);
    EXPECT_EQ(AuQVDBUpdateLink(1, 44), -1);
    EXPECT_EQ(AuQVDBSelectLink(0, 1), 0);
    EXPECT_EQ(AuQVDBInstallUpdateComponent(44, "", "", "", "", "", "", ""), -1);
    EXPECT_TRUE(fs::is_empty(dir));
    vorbdb::clearPaths();
    fs::remove_all(dir);
}

} // namespace

namespace {

TEST(Paths, AreBuiltInTheDirectoryWithOneSeparator) {
    vorbdb::DbPaths paths;
    for (const char* dir : {"C:\\WINNT", "C:\\WINNT\\"}) {
        ASSERT_TRUE(vorbdb::buildPaths(paths, dir, '\\'));
        EXPECT_STREQ(paths.database, "C:\\WINNT\\qvinstal.db");
        EXPECT_STREQ(paths.traceFlag, "C:\\WINNT\\qvflg.db");
    }
    ASSERT_TRUE(vorbdb::buildPaths(paths, "/etc", '/'));
    EXPECT_STREQ(paths.database, "/etc/qvinstal.db");
    EXPECT_STREQ(paths.installFlag, "/etc/qvinsflg.db");
    const std::string tooLong(250, 'd');
    EXPECT_FALSE(vorbdb::buildPaths(paths, tooLong.c_str(), '/'));
    EXPECT_FALSE(paths.initialized);
    EXPECT_STREQ(paths.database, "");
}

} // namespace
