// One exported query through the whole call frame (handle table, guards,
// wrapper lock, send path, OS port) against the simulator's own FIB round
// trip, which is the floor under it.
#include "FsaApi.h"
#include "SimPort.h"

#include <benchmark/benchmark.h>

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

} // namespace

BENCHMARK_MAIN();
