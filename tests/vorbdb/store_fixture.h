// Each test starts with no database in the library's directory: /etc inside
// the sandbox on Linux, a fresh directory of its own on Windows.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <initializer_list>
#include <string>
#include <string_view>

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Removes the database, its companions and any temporary file.
    void reset() const;

    std::string path(const char* name) const { return dir_ + name; }
    std::string dbPath() const { return path("qvinstal.db"); }
    bool exists(const std::string& file) const;
    std::string readFile(const std::string& file) const;
    std::string readDb() const { return readFile(dbPath()); }
    void writeFile(const std::string& file, std::string_view content) const;
    void writeDb(std::string_view content) const { writeFile(dbPath(), content); }
    // Temporary files of rewrites still lying beside the database.
    int leftoverTempFiles() const;

    // Lines joined with this platform's line end, each one closed.
    static std::string lines(std::initializer_list<std::string_view> entries);

    std::string dir_;

public:
    // Waits between retries are counted, not slept.
    static std::atomic<int> sleeps;
};
