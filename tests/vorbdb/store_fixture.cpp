#include "store_fixture.h"

#ifndef _WIN32
#include "sandbox_check.h"
#endif

#include <filesystem>
#include <fstream>
#include <sstream>

#ifdef _WIN32
#include <windows.h>
#endif

#include "db_paths.h"
#include "sleeper.h"
#include "vorbdb/db_format.h"

namespace fs = std::filesystem;

std::atomic<int> StoreTest::sleeps{0};

namespace {

void countSleep(unsigned) {
    ++StoreTest::sleeps;
}

} // namespace

void StoreTest::SetUp() {
#ifdef _WIN32
    static int sequence = 0;
    fs::path dir =
        fs::temp_directory_path() / ("vorbdb-store-" + std::to_string(GetCurrentProcessId()) + "-" +
                                     std::to_string(++sequence));
    fs::remove_all(dir);
    fs::create_directories(dir);
    dir_ = dir.string() + "\\";
#else
    ASSERT_INSIDE_SANDBOX();
    dir_ = "/etc/";
#endif
    reset();
    ASSERT_TRUE(vorbdb::attachTo(dir_.c_str(), static_cast<char>(fs::path::preferred_separator)));
    sleeps = 0;
    vorbdb::setSleeper(countSleep);
}

void StoreTest::TearDown() {
    vorbdb::setSleeper(nullptr);
    vorbdb::clearPaths();
#ifdef _WIN32
    std::error_code ec;
    fs::remove_all(dir_, ec);
#endif
}

void StoreTest::reset() const {
    for (const char* name : {"qvinstal.db", "qvinsflg.db", "qvflg.db", "qvdbg.db", "qvinstal.lck"})
        fs::remove(path(name));
    for (const auto& entry : fs::directory_iterator(dir_))
        if (entry.path().filename().string().rfind("qvinstal.tmp", 0) == 0)
            fs::remove(entry.path());
}

bool StoreTest::exists(const std::string& file) const {
    return fs::exists(file);
}

std::string StoreTest::readFile(const std::string& file) const {
    std::ifstream in(file, std::ios::binary);
    if (!in)
        return "<missing>";
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void StoreTest::writeFile(const std::string& file, std::string_view content) const {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    ASSERT_TRUE(out.good()) << file;
}

int StoreTest::leftoverTempFiles() const {
    int count = 0;
    for (const auto& entry : fs::directory_iterator(dir_))
        if (entry.path().filename().string().rfind("qvinstal.tmp", 0) == 0)
            ++count;
    return count;
}

std::string StoreTest::lines(std::initializer_list<std::string_view> entries) {
    std::string out;
    for (std::string_view entry : entries)
        out.append(entry).append(vorbdb::format::kLineEnd);
    return out;
}
