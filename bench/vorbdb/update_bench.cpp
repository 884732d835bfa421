// The cost of one update on databases of growing size, against the floor of
// the same durable steps by hand: take the lock file, write the same bytes
// to a new file, flush it, rename it over the database and flush the
// directory. "UpdateAgainstDurableFloor" alternates the two in every
// iteration, so that both see the same load; its counter "ratio" is update
// time / floor time (aim <= 1.5 at 10,000 lines).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "db_paths.h"
#include "vorbdb/vorbdb.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

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
    std::string content() const {
        std::ifstream in(file("qvinstal.db"), std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }

private:
    fs::path dir_;
};

bool update(long i) {
    const std::string value = "v" + std::to_string(i);
    return AuQVDBInstallUpdateString(15, "installpath", value.c_str()) == 0;
}

// The durable steps of an update with nothing else around them.
class DurableFloor {
public:
    explicit DurableFloor(const Database& db)
        : content_(db.content()), lock_(db.file("qvinstal.lck").string()),
          temp_(db.file("qvinstal.tmp").string()), target_(db.file("qvinstal.db").string()),
          dir_(db.file("").parent_path().string()) {}

    bool run() const {
        const int lock = ::open(lock_.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
        bool ok = lock >= 0 && ::flock(lock, LOCK_EX) == 0;
        const int fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ok = ok && fd >= 0 &&
             ::write(fd, content_.data(), content_.size()) ==
                 static_cast<ssize_t>(content_.size()) &&
             ::fsync(fd) == 0;
        ok = fd >= 0 && ::close(fd) == 0 && ok && std::rename(temp_.c_str(), target_.c_str()) == 0;
        const int dir = ::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ok = ok && dir >= 0 && ::fsync(dir) == 0;
        if (dir >= 0)
            ::close(dir);
        if (lock >= 0)
            ::close(lock);
        return ok;
    }

private:
    std::string content_, lock_, temp_, target_, dir_;
};

double seconds(Clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

void BM_Update(benchmark::State& state) {
    Database db(state.range(0));
    long i = 0;
    for (auto _ : state)
        if (!update(i++))
            state.SkipWithError("update failed");
}

void BM_DurableFloor(benchmark::State& state) {
    Database db(state.range(0));
    const DurableFloor floor(db);
    for (auto _ : state)
        if (!floor.run())
            state.SkipWithError("the durable steps failed");
}

void UpdateAgainstDurableFloor(benchmark::State& state) {
    Database db(state.range(0));
    update(0); // the database as the updates leave it, for the floor to copy
    const DurableFloor floor(db);
    double updating = 0, flooring = 0;
    long i = 1;
    for (auto _ : state) {
        auto start = Clock::now();
        if (!update(i++))
            state.SkipWithError("update failed");
        const double u = seconds(Clock::now() - start);
        start = Clock::now();
        if (!floor.run())
            state.SkipWithError("the durable steps failed");
        flooring += seconds(Clock::now() - start);
        updating += u;
        state.SetIterationTime(u);
    }
    state.counters["floor_us"] = flooring * 1e6 / static_cast<double>(state.iterations());
    state.counters["ratio"] = updating / flooring;
}

BENCHMARK(BM_Update)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DurableFloor)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(UpdateAgainstDurableFloor)
    ->Arg(10000)
    ->UseManualTime()
    ->MinTime(2.0)
    ->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
