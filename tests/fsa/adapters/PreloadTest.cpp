// The unmodified library in separate processes, against the simulated
// controller put under them by the preload library.
#include "ChildProcess.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using fsatest::Child;

const char* kConfig = "/tmp/qorsim-preload.json";

void writeConfig(const std::string& json) {
    std::ofstream(kConfig) << json;
}

std::string adapters(const std::string& firstAdapterExtra = "") {
    return R"({"clock": {"tickEveryFibs": 4}, "adapters": [
      {"index": 0, "serial": 4660)" +
           firstAdapterExtra + R"(, "tasks": [{"id": 7, "job": 101, "object": 1, "step": 100},
                                          {"id": 8, "job": 103, "object": 2, "step": 0}]},
      {"index": 2, "serial": 8738}]})";
}

std::vector<std::string> probe(std::vector<std::string> args) {
    args.insert(args.begin(), {QORSIM_RUN, QORSIM_LIB, kConfig, FSA_PROBE});
    return args;
}

std::string run(const std::vector<std::string>& args) {
    Child child(probe(args));
    child.closeInput();
    return child.readAll();
}

TEST(Preload, EnumeratesTheSimulatedAdapters) {
    writeConfig(adapters());
    EXPECT_EQ(run({"enum"}), "adapter qor0 3\nadapter qor2 3\nend 4\nresult 1\n");
    writeConfig(R"({"adapters": []})");
    EXPECT_EQ(run({"enum"}), "end 4\nresult 3\n");
}

TEST(Preload, OpenOutcomes) {
    const struct {
        std::string extra;
        std::string build;
        std::string expected;
    } cases[] = {
        {"", "4970", "open 1\nclose 1\n"},
        {"", "2119", "open 82\n"},
        {R"(, "firmware": {"compatible": false})", "4970", "open 88\n"},
        {R"(, "firmware": {"build": 2119})", "4970", "open 85\n"},
        {R"(, "driver": {"compatible": false})", "4970", "open 87\n"},
        {R"(, "driver": {"build": 2119})", "4970", "open 84\n"},
        {R"(, "paused": true)", "4970", "open 301\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.extra + " " + c.build);
        writeConfig(adapters(c.extra));
        EXPECT_EQ(run({"open", "qor0", "rw", c.build}), c.expected);
    }
}

// Refused before any call of the library, so no simulator is needed.
TEST(Preload, TheProbeRefusesAnAccessOtherThanReadWriteOrReadOnly) {
    for (const auto& args : std::vector<std::vector<std::string>>{{FSA_PROBE, "open", "qor0", "xx"},
                                                                  {FSA_PROBE, "open", "qor0"}}) {
        SCOPED_TRACE(args.size());
        Child child(args);
        child.closeInput();
        EXPECT_EQ(child.readAll(), "");
        EXPECT_EQ(child.wait(), 2);
    }
}

TEST(Preload, SecondReadWriteOpenFromAnotherProcessIsRefused) {
    writeConfig(adapters());
    Child holder(probe({"hold", "qor0"}));
    ASSERT_EQ(holder.readLine(), "open 1\n");
    EXPECT_EQ(run({"open", "qor0", "rw"}), "open 134\n");
    EXPECT_EQ(run({"open", "qor0", "ro"}), "open 1\nclose 1\n");
    EXPECT_EQ(run({"enum"}), "adapter qor0 2\nadapter qor2 3\nend 4\nresult 1\n");
    holder.closeInput();
    EXPECT_EQ(holder.readLine(), "close 1\n");
    EXPECT_EQ(holder.wait(), 0);
    EXPECT_EQ(run({"open", "qor0", "rw"}), "open 1\nclose 1\n");
}

// A worker forked without exec shares none of the application's adapters:
// it sees the adapter held by another process, its copy of the handle is
// invalid, and once the application has died the adapter is free for any
// other process while the worker lives on.
TEST(Preload, AForkedWorkerKeepsNoLockOfTheApplication) {
    writeConfig(adapters());
    Child application(probe({"fork", "qor0"}));
    ASSERT_EQ(application.readLine(), "open 1\n");
    std::map<std::string, std::string> seen;
    auto readReport = [&] {
        const std::string line = application.readLine();
        const auto last = line.rfind(' ');
        if (last != std::string::npos)
            seen[line.substr(0, last)] = line.substr(last + 1, line.size() - last - 2);
        return !line.empty();
    };
    while (seen.count("worker pid") + seen.count("parent pid") < 2)
        ASSERT_TRUE(readReport());
    const pid_t parent = std::stoi(seen["parent pid"]);
    const pid_t worker = std::stoi(seen["worker pid"]);
    {
        // A worker that hangs on the inherited handle is ended after a while.
        std::mutex mutex;
        std::condition_variable done;
        bool reported = false;
        std::thread guard([&] {
            std::unique_lock<std::mutex> lock(mutex);
            if (!done.wait_for(lock, std::chrono::seconds(30), [&] { return reported; })) {
                ::kill(worker, SIGKILL);
                ::kill(parent, SIGKILL);
            }
        });
        while (seen.size() < 6 && readReport()) {
        }
        {
            std::lock_guard<std::mutex> lock(mutex);
            reported = true;
        }
        done.notify_all();
        guard.join();
    }
    EXPECT_EQ(seen["worker enum"], "2");   // held, by another process
    EXPECT_EQ(seen["worker open"], "134"); // its read-write open is refused
    EXPECT_EQ(seen["worker call"], "9");   // the inherited handle is not its own
    EXPECT_EQ(seen["worker close"], "9") << "(none: the close hung)";
    ::kill(parent, SIGKILL);
    application.wait();

    EXPECT_EQ(run({"enum"}), "adapter qor0 3\nadapter qor2 3\nend 4\nresult 1\n");
    EXPECT_EQ(run({"open", "qor0", "rw"}), "open 1\nclose 1\n");
    EXPECT_EQ(::kill(worker, 0), 0) << "the worker lives on";
    ::kill(worker, SIGKILL);
}

TEST(Preload, MainRoadOfOneProcess) {
    writeConfig(adapters());
    EXPECT_EQ(run({"scenario", "qor0"}), "open 1\n"
                                         "fib 1 paused=0\n"
                                         "register 1\n"
                                         "poll-empty 336\n"
                                         "event 0x200000\n"
                                         "poll 1\n"
                                         "tasks 1 2\n"
                                         "suspend 1\n"
                                         "resume 1\n"
                                         "follow 1\n"
                                         "wait 1\n"
                                         "progress seen\n"
                                         "end 1\n"
                                         "trace-reset 1\n"
                                         "trace lines\n"
                                         "close 1 1\n");
}

// A checkout whose path holds blanks: the script, the preload library and
// the configuration are all reached through such a path, and the loader
// (which splits its preload list at blanks) still puts the simulator under
// the program.
TEST(Preload, RunsFromAPathHoldingBlanks) {
    namespace fs = std::filesystem;
    const fs::path checkout = "/tmp/a checkout with blanks";
    fs::remove_all(checkout);
    fs::create_directories(checkout);
    const fs::path script = QORSIM_RUN;
    const fs::path library = QORSIM_LIB;
    fs::create_directory_symlink(script.parent_path().parent_path().parent_path(),
                                 checkout / "source");
    fs::create_directory_symlink(library.parent_path(), checkout / "build");
    writeConfig(adapters());
    fs::copy_file(kConfig, checkout / "two adapters.json");

    Child child({(checkout / "source/platform/qorsim/qorsim-run").string(),
                 (checkout / "build" / library.filename()).string(),
                 (checkout / "two adapters.json").string(), FSA_PROBE, "enum"});
    child.closeInput();
    EXPECT_EQ(child.readAll(), "adapter qor0 3\nadapter qor2 3\nend 4\nresult 1\n");
    EXPECT_EQ(child.wait(), 0);
    fs::remove_all(checkout);
}

} // namespace
