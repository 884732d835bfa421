// Runs the pattern-test engine under an address-space limit and prints the
// final status. Built without sanitizers: their allocators reserve huge
// address ranges and would defeat the limit.
//
//   orbisk_alloc_probe LIMIT_MB TOTAL_KB THREADS

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "PatternTestEngine.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s LIMIT_MB TOTAL_KB THREADS\n", argv[0]);
        return 64;
    }
    const rlim_t limit = std::strtoull(argv[1], nullptr, 10) << 20;
    const struct rlimit addressSpace = {limit, limit};
    if (setrlimit(RLIMIT_AS, &addressSpace) != 0) {
        std::perror("setrlimit");
        return 70;
    }
    VarnDiags::MemoryDevices::PatternTestEngine engine(std::strtoul(argv[2], nullptr, 10),
                                                       std::atoi(argv[3]));
    if (engine.start() != 0) {
        std::puts("not started");
        return 1;
    }
    int progress = 0;
    while ((progress = engine.getProgress()) < 100)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::printf("progress %d\nstatus %d\n", progress, engine.getStatus());
    return 0;
}
