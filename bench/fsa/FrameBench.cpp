// One exported query through the whole call frame (handle table, guards,
// wrapper lock, send path, OS port) against the simulator's own FIB round
// trip, which is the floor under it. "ExportedQueryAgainstRawFib" runs the
// two in turn, in batches, so that both see the same load; its counter
// "ratio" is query time / round-trip time (aim <= 2.0).
#include "FsaApi.h"
#include "SimPort.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <fcntl.h>

namespace {

const char* kConfig = R"({"adapters": [{"index": 0, "serial": 1}]})";

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
    qorsim::Simulator sim;
    sim.load(kConfig);
    sim.setJournaling(false);
    fsatest::SimPort port(sim);
    fsa::setOsPort(&port);
    void* handle = nullptr;
    // Read-only: the frame takes the wrapper lock but no lock file is held.
    if (FsaOpenAdapter2("qor0", nullptr, 4970, FSA_ACC_READ_ONLY, FSA_CONNECTION_LOCAL, nullptr,
                        nullptr, &handle, nullptr) != FSA_STS_SUCCESS) {
        state.SkipWithError("the simulated adapter did not open");
        fsa::setOsPort(nullptr);
        return;
    }
    int paused = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(FsaIsAdapterPaused(handle, &paused));
    FsaCloseAdapter(handle);
    fsa::setOsPort(nullptr);
}
BENCHMARK(ExportedQueryThroughTheFrame);

void ExportedQueryAgainstRawFib(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    constexpr int kBatch = 1000;
    qorsim::Simulator sim;
    sim.load(kConfig);
    sim.setJournaling(false);
    fsatest::SimPort port(sim);
    fsa::setOsPort(&port);
    void* handle = nullptr;
    if (FsaOpenAdapter2("qor0", nullptr, 4970, FSA_ACC_READ_ONLY, FSA_CONNECTION_LOCAL, nullptr,
                        nullptr, &handle, nullptr) != FSA_STS_SUCCESS) {
        state.SkipWithError("the simulated adapter did not open");
        fsa::setOsPort(nullptr);
        return;
    }
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
    FsaCloseAdapter(handle);
    fsa::setOsPort(nullptr);
    const double calls = static_cast<double>(state.iterations()) * kBatch;
    state.counters["query_ns"] = query * 1e9 / calls;
    state.counters["raw_ns"] = raw * 1e9 / calls;
    state.counters["ratio"] = query / raw;
}
BENCHMARK(ExportedQueryAgainstRawFib)->UseManualTime()->MinTime(1.0);

} // namespace

BENCHMARK_MAIN();
