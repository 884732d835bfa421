// A small program over the controller library with no test seams: run
// through qorsim-run it exercises the library against the preloaded
// simulated controller, one process per invocation.
//   fsa_probe enum
//   fsa_probe open NAME rw|ro [APP_BUILD]
//   fsa_probe hold NAME          (opens read-write until stdin ends)
//   fsa_probe try NAME           (one read-write open per line on stdin,
//                                 closed again at once; prints its status)
//   fsa_probe scenario NAME      (FIBs, events, tasks, polling, trace)
//   fsa_probe fork NAME          (opens read-write, then forks a worker that
//                                 does not exec and reports what it sees of
//                                 the adapter; both run until stdin ends)
#include "FsaApi.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {

using namespace std::chrono_literals;

std::string narrow(const FA_WCHAR* w) {
    std::string s;
    for (; *w; ++w)
        s.push_back(static_cast<char>(*w));
    return s;
}

FSA_STATUS printAdapter(FSA_STATUS code, _tagFSA_ADAPTER_ENUM_INFO* info, void*) {
    if (code == FSA_STS_SUCCESS)
        std::printf("adapter %s %u\n", narrow(info->deviceName).c_str(), info->availability);
    else
        std::printf("end %u\n", code);
    return FSA_STS_SUCCESS;
}

FSA_STATUS openAdapter(const char* name, FSA_ACCESS access, unsigned build, void** handle) {
    return FsaOpenAdapter2(name, nullptr, build, access, FSA_CONNECTION_LOCAL, nullptr, nullptr,
                           handle, nullptr);
}

std::atomic<std::uint32_t> g_seenBits{0};
std::atomic<std::uint32_t> g_progressCalls{0};

int onEvent(void*, std::uint32_t bit, FSA_EVENT_DETAILS*, void*) {
    g_seenBits.fetch_or(bit);
    return 1;
}

void onProgress(std::uint32_t, FSA_TASK_INFO*, void*) {
    ++g_progressCalls;
}

template <class Predicate> bool waitUntil(Predicate p) {
    for (int i = 0; i < 500; ++i) {
        if (p())
            return true;
        std::this_thread::sleep_for(10ms);
    }
    return false;
}

int scenario(const char* name) {
    void* h = nullptr;
    std::printf("open %u\n", openAdapter(name, FSA_ACC_READ_WRITE, 4970, &h));
    if (!h)
        return 1;
    _FIB fib{};
    fib.XferState = 33;
    fib.Command = 704;
    fib.StructType = 1;
    fib.Size = 4;
    const FSA_STATUS sent = FsaSendReceiveFib(h, &fib);
    std::uint32_t paused;
    std::memcpy(&paused, fib.data, 4);
    std::printf("fib %u paused=%u\n", sent, paused);

    std::printf("register %u\n", FsaRegisterGeneralCallback(h, 0xFFFFFFFF, onEvent, nullptr));
    void* other = nullptr;
    openAdapter(name, FSA_ACC_READ_ONLY, 4970, &other);
    std::uint8_t record[328];
    std::printf("poll-empty %u\n", FsaPollForEvent(other, sizeof record, record));
    FSA_EVENT_DETAILS details{};
    FsaSendAifEvent(other, 0x200000, &details);
    std::printf("event %s\n", waitUntil([] { return (g_seenBits.load() & 0x200000) != 0; })
                                  ? "0x200000"
                                  : "none");
    FsaSendAifEvent(h, 0x200000, &details);
    std::printf("poll %u\n",
                waitUntil([&] { return FsaPollForEvent(other, sizeof record, record) == 1; }) ? 1u
                                                                                              : 0u);

    FSA_TASK_DESCRIPTOR tasks[8];
    unsigned count = 0;
    const FSA_STATUS listed = FsaGetTaskList(h, nullptr, nullptr, tasks, &count, sizeof tasks);
    std::printf("tasks %u %u\n", listed, count);
    if (count < 2)
        return 1;
    const unsigned first = tasks[0].taskId;
    const unsigned second = tasks[1].taskId;
    std::printf("suspend %u\n", FsaTask(h, first, 0));
    std::printf("resume %u\n", FsaTask(h, first, 1));
    std::printf("follow %u\n", FsaGetTaskProgress(h, first, 0, onProgress, nullptr));
    // The controller's clock moves with the requests it gets: keep asking
    // from another handle while this one waits.
    std::atomic<bool> waiting{true};
    std::thread ticker([&] {
        int p = 0;
        while (waiting) {
            FsaIsAdapterPaused(other, &p);
            std::this_thread::sleep_for(2ms);
        }
    });
    std::printf("wait %u\n", FsaWaitForTaskComplete(h, first, nullptr, nullptr));
    waiting = false;
    ticker.join();
    std::printf("progress %s\n", g_progressCalls.load() > 0 ? "seen" : "none");
    std::printf("end %u\n", FsaTask(h, second, 2));

    FsaUxDbgFileSetLevel(5);
    FsaUxDbgFileSetAll();
    std::printf("trace-reset %u\n", FsaUxDbgFileOpenEmptyClose());
    FsaSendReceiveFib(h, &fib);
    std::ifstream trace(FsaUxDbgFileGetName());
    std::string line;
    int lines = 0;
    while (std::getline(trace, line))
        ++lines;
    std::printf("trace %s\n", lines > 0 ? "lines" : "empty");
    FsaUxDbgFileSetLevel(0);

    std::printf("close %u %u\n", FsaCloseAdapter(other), FsaCloseAdapter(h));
    return 0;
}

FSA_STATUS noteAvailability(FSA_STATUS code, _tagFSA_ADAPTER_ENUM_INFO* info, void* user) {
    auto* wanted = static_cast<std::pair<std::string, unsigned>*>(user);
    if (code == FSA_STS_SUCCESS && narrow(info->deviceName) == wanted->first)
        wanted->second = info->availability;
    return FSA_STS_SUCCESS;
}

void waitForEndOfInput() {
    char buffer[64];
    while (std::fgets(buffer, sizeof buffer, stdin)) {
    }
}

int forkedWorker(const char* name) {
    void* h = nullptr;
    std::printf("open %u\n", openAdapter(name, FSA_ACC_READ_WRITE, 4970, &h));
    if (!h)
        return 1;
    const pid_t worker = ::fork();
    if (worker == 0) {
        std::printf("worker pid %d\n", static_cast<int>(::getpid()));
        std::pair<std::string, unsigned> seen{name, 0};
        FsaEnumAdaptersA(nullptr, nullptr, &seen, noteAvailability);
        std::printf("worker enum %u\n", seen.second);
        void* own = nullptr;
        const FSA_STATUS opened = openAdapter(name, FSA_ACC_READ_WRITE, 4970, &own);
        if (own)
            FsaCloseAdapter(own);
        std::printf("worker open %u\n", opened);
        int paused = 0;
        std::printf("worker call %u\n", FsaIsAdapterPaused(h, &paused));
        std::printf("worker close %u\n", FsaCloseAdapter(h));
        waitForEndOfInput();
        return 0;
    }
    std::printf("parent pid %d\n", static_cast<int>(::getpid()));
    waitForEndOfInput();
    std::printf("close %u\n", FsaCloseAdapter(h));
    if (worker > 0)
        ::waitpid(worker, nullptr, 0);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "enum") {
        const FSA_STATUS s = FsaEnumAdaptersA(nullptr, nullptr, nullptr, printAdapter);
        std::printf("result %u\n", s);
        return 0;
    }
    // An access other than rw or ro is refused rather than taken as read-only.
    const std::string access = argc > 3 ? argv[3] : "";
    if ((command == "open" && (access == "rw" || access == "ro")) ||
        (command == "hold" && argc > 2)) {
        const bool rw = command == "hold" || access == "rw";
        const unsigned build = argc > 4 ? static_cast<unsigned>(std::atoi(argv[4])) : 4970;
        void* h = nullptr;
        std::printf("open %u\n",
                    openAdapter(argv[2], rw ? FSA_ACC_READ_WRITE : FSA_ACC_READ_ONLY, build, &h));
        if (command == "hold" && h) {
            char buffer[64];
            while (std::fgets(buffer, sizeof buffer, stdin)) {
            }
        }
        if (h)
            std::printf("close %u\n", FsaCloseAdapter(h));
        return 0;
    }
    if (command == "try" && argc > 2) {
        char buffer[64];
        while (std::fgets(buffer, sizeof buffer, stdin)) {
            void* h = nullptr;
            const FSA_STATUS opened = openAdapter(argv[2], FSA_ACC_READ_WRITE, 4970, &h);
            if (h)
                FsaCloseAdapter(h);
            std::printf("open %u\n", opened);
        }
        return 0;
    }
    if (command == "scenario" && argc > 2)
        return scenario(argv[2]);
    if (command == "fork" && argc > 2)
        return forkedWorker(argv[2]);
    std::fprintf(stderr, "usage: fsa_probe enum | open NAME rw|ro [BUILD] | hold NAME | try NAME | "
                         "scenario NAME | fork NAME\n");
    return 2;
}
