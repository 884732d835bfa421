// One exported query through the whole call frame (handle table, guards,
// wrapper lock, send path, OS port) against the simulator's own FIB round
// trip, which is the floor under it. "ExportedQueryAgainstRawFib" runs the
// two in turn, in batches, so that both see the same load; its counter
// "ratio" is query time / round-trip time (aim <= 2.0).
// "ThreadsSharingOneHandle" loops a task-list query on one handle from 1,
// then 2, then 4 threads, a second each, in one run: "two_vs_one" and
// "four_vs_one" are all the calls made against one thread's (aim >= 0.25),
// "two_fewest_share" and "four_fewest_share" the slowest thread's calls
// against its fair share, all calls / threads (aim >= 0.1).
#include "FsaApi.h"
#include "SimPort.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fcntl.h>
#include <thread>
#include <vector>

namespace {

const char* kConfig = R"({"adapters": [{"index": 0, "serial": 1}]})";

// The simulated adapter behind the library's port, opened read-only (the
// frame takes the wrapper lock but no lock file is held) for one benchmark.
struct OpenedAdapter {
    explicit OpenedAdapter(benchmark::State& state) {
        sim.load(kConfig);
        sim.setJournaling(false);
        fsa::setOsPort(&port);
        if (FsaOpenAdapter2("qor0", nullptr, 4970, FSA_ACC_READ_ONLY, FSA_CONNECTION_LOCAL, nullptr,
                            nullptr, &handle, nullptr) != FSA_STS_SUCCESS)
            state.SkipWithError("the simulated adapter did not open");
    }
    ~OpenedAdapter() {
        if (handle)
            FsaCloseAdapter(handle);
        fsa::setOsPort(nullptr);
    }
    OpenedAdapter(const OpenedAdapter&) = delete;
    OpenedAdapter& operator=(const OpenedAdapter&) = delete;

    qorsim::Simulator sim;
    fsatest::SimPort port{sim};
    void* handle = nullptr;
};

void RawFibRoundTrip(benchmark::State& state) {
    qorsim::Simulator sim;
    sim.load(kConfig);
    sim.setJournaling(false);
    const int fd = sim.open("/dev/qor0", O_RDWR, 0);
    std::uint8_t fib[qorsim::kFibBytes] = {};
    for (auto _ : state) {
        qorsim::put16(fib, qorsim::kCommand, 704);
        qorsim::put16(fib, qorsim::kSize, 4);
        benchmark::DoNotOptimize(sim.ioctl(fd, qorsim::kSendFib, fib));
    }
    sim.close(fd);
}
BENCHMARK(RawFibRoundTrip);

void ExportedQueryThroughTheFrame(benchmark::State& state) {
    const OpenedAdapter adapter(state);
    if (!adapter.handle)
        return;
    int paused = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(FsaIsAdapterPaused(adapter.handle, &paused));
}
BENCHMARK(ExportedQueryThroughTheFrame);

void ExportedQueryAgainstRawFib(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    constexpr int kBatch = 1000;
    OpenedAdapter adapter(state);
    if (!adapter.handle)
        return;
    void* handle = adapter.handle;
    qorsim::Simulator& sim = adapter.sim;
    const int fd = sim.open("/dev/qor0", O_RDWR, 0);
    std::uint8_t fib[qorsim::kFibBytes] = {};
    int paused = 0;
    double query = 0, raw = 0;
    for (auto _ : state) {
        auto start = Clock::now();
        for (int i = 0; i < kBatch; ++i)
            benchmark::DoNotOptimize(FsaIsAdapterPaused(handle, &paused));
        const double q = std::chrono::duration<double>(Clock::now() - start).count();
        start = Clock::now();
        for (int i = 0; i < kBatch; ++i) {
            qorsim::put16(fib, qorsim::kCommand, 704);
            qorsim::put16(fib, qorsim::kSize, 4);
            benchmark::DoNotOptimize(sim.ioctl(fd, qorsim::kSendFib, fib));
        }
        raw += std::chrono::duration<double>(Clock::now() - start).count();
        query += q;
        state.SetIterationTime(q); // one iteration is a batch of queries
    }
    sim.close(fd);
    const double calls = static_cast<double>(state.iterations()) * kBatch;
    state.counters["query_ns"] = query * 1e9 / calls;
    state.counters["raw_ns"] = raw * 1e9 / calls;
    state.counters["ratio"] = query / raw;
}
BENCHMARK(ExportedQueryAgainstRawFib)->UseManualTime()->MinTime(1.0);

struct SharedRun {
    double calls = 0;
    double fewest = 0;
};

SharedRun loopOnOneHandle(void* handle, unsigned threads) {
    std::vector<unsigned long> calls(threads, 0);
    std::atomic<bool> stop{false};
    std::vector<std::thread> loops;
    for (unsigned t = 0; t < threads; ++t)
        loops.emplace_back([&, t] {
            FSA_TASK_DESCRIPTOR tasks[8];
            while (!stop.load(std::memory_order_relaxed)) {
                unsigned int count = 8;
                benchmark::DoNotOptimize(
                    FsaGetTaskList(handle, nullptr, nullptr, tasks, &count, sizeof tasks));
                ++calls[t];
            }
        });
    std::this_thread::sleep_for(std::chrono::seconds(1));
    stop = true;
    for (auto& loop : loops)
        loop.join();
    SharedRun run;
    for (const unsigned long c : calls)
        run.calls += static_cast<double>(c);
    run.fewest = static_cast<double>(*std::min_element(calls.begin(), calls.end()));
    return run;
}

void ThreadsSharingOneHandle(benchmark::State& state) {
    const OpenedAdapter adapter(state);
    if (!adapter.handle)
        return;
    SharedRun one, two, four;
    for (auto _ : state) {
        one = loopOnOneHandle(adapter.handle, 1);
        two = loopOnOneHandle(adapter.handle, 2);
        four = loopOnOneHandle(adapter.handle, 4);
    }
    state.counters["one_per_s"] = one.calls;
    state.counters["two_per_s"] = two.calls;
    state.counters["four_per_s"] = four.calls;
    state.counters["two_vs_one"] = two.calls / one.calls;
    state.counters["four_vs_one"] = four.calls / one.calls;
    state.counters["two_fewest_share"] = two.fewest / (two.calls / 2);
    state.counters["four_fewest_share"] = four.fewest / (four.calls / 4);
}
BENCHMARK(ThreadsSharingOneHandle)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
