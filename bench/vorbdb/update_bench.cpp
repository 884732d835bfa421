// The cost of one update on databases of growing size, against the floor of
// writing the same bytes to a new file, flushing it and renaming it over.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <unistd.h>

#include "db_paths.h"
#include "vorbdb/vorbdb.h"

namespace fs = std::filesystem;

namespace {

// A scratch directory holding a database of `lines` entries.
class Database {
public:
    explicit Database(long lines)
        : dir_(fs::temp_directory_path() / ("vorbdb-bench-" + std::to_string(::getpid()))) {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        std::ofstream db(dir_ / "qvinstal.db", std::ios::binary);
        for (long i = 0; i < lines; ++i)
            db << "Corvance.key" << i << "=C:\\Program Files\\Corvance\\value " << i << "\n";
        db.close();
        vorbdb::attachTo(dir_.c_str(), '/');
    }
    ~Database() {
        vorbdb::clearPaths();
        fs::remove_all(dir_);
    }
    fs::path file(const char* name) const { return dir_ / name; }

private:
    fs::path dir_;
};

void BM_Update(benchmark::State& state) {
    Database db(state.range(0));
    long i = 0;
    for (auto _ : state) {
        std::string value = "v" + std::to_string(i++);
        if (AuQVDBInstallUpdateString(15, "installpath", value.c_str()) != 0)
            state.SkipWithError("update failed");
    }
}

void BM_WriteAndRenameFloor(benchmark::State& state) {
    Database db(state.range(0));
    std::ifstream in(db.file("qvinstal.db"), std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    const std::string temp = db.file("qvinstal.tmp").string();
    const std::string target = db.file("qvinstal.db").string();
    for (auto _ : state) {
        int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        bool ok =
            fd >= 0 &&
            ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size()) &&
            ::fsync(fd) == 0;
        ok = fd >= 0 && ::close(fd) == 0 && ok && std::rename(temp.c_str(), target.c_str()) == 0;
        if (!ok)
            state.SkipWithError("write and rename failed");
    }
}

BENCHMARK(BM_Update)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WriteAndRenameFloor)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
