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
//   fsa_probe --help             (the usage, exit code 0)
// A command line it cannot use is refused before any call of the library:
// what is wrong and the usage on standard error, exit code 64 (EX_USAGE).
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

// The commands and the operands each takes, from which the usage is made.
struct Command {
    const char* name;
    const char* operands;
    int least;
    int most;
};
constexpr Command kCommands[] = {{"enum", "", 0, 0},         {"open", "NAME rw|ro [BUILD]", 2, 3},
                                 {"hold", "NAME", 1, 1},     {"try", "NAME", 1, 1},
                                 {"scenario", "NAME", 1, 1}, {"fork", "NAME", 1, 1}};
constexpr int kBadUsage = 64; // EX_USAGE

std::string usage() {
    std::string line = "usage: fsa_probe";
    for (const Command& c : kCommands)
        line += std::string(&c == kCommands ? " " : " | ") + c.name +
                (*c.operands ? std::string(" ") + c.operands : std::string());
    return line + "\n";
}

int refuse(const std::string& reason) {
    std::fprintf(stderr, "fsa_probe: %s\n%s", reason.c_str(), usage().c_str());
    return kBadUsage;
}

// The application build number, all digits.
bool parseBuild(const std::string& text, unsigned& build) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    build = static_cast<unsigned>(std::stoul(text));
    return true;
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
    if (argc < 2)
        return refuse("no command given");
    const std::string command = argv[1];
    if (command == "--help") {
        std::fputs(usage().c_str(), stdout);
        return 0;
    }
    const Command* known = nullptr;
    for (const Command& c : kCommands)
        if (command == c.name)
            known = &c;
    if (!known)
        return refuse("unknown command \"" + command + "\"");
    const int operands = argc - 2;
    if (operands < known->least || operands > known->most)
        return refuse(command + (known->most == 0 ? std::string(" takes no arguments")
                                                  : " takes " + std::string(known->operands)));
    if (command == "enum") {
        const FSA_STATUS s = FsaEnumAdaptersA(nullptr, nullptr, nullptr, printAdapter);
        std::printf("result %u\n", s);
        return 0;
    }
    if (command == "open" || command == "hold") {
        const std::string access = command == "hold" ? "rw" : argv[3];
        // An access other than rw or ro is refused rather than taken as read-only.
        if (access != "rw" && access != "ro")
            return refuse("the access must be rw or ro, not \"" + access + "\"");
        unsigned build = 4970;
        if (argc > 4 && !parseBuild(argv[4], build))
            return refuse("BUILD must be a whole number, not \"" + std::string(argv[4]) + "\"");
        void* h = nullptr;
        std::printf("open %u\n",
                    openAdapter(argv[2], access == "rw" ? FSA_ACC_READ_WRITE : FSA_ACC_READ_ONLY,
                                build, &h));
        if (command == "hold" && h)
            waitForEndOfInput();
        if (h)
            std::printf("close %u\n", FsaCloseAdapter(h));
        return 0;
    }
    if (command == "try") {
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
    if (command == "fork")
        return forkedWorker(argv[2]);
    return scenario(argv[2]);
}
