// The unmodified library in separate processes, against the simulated
// controller put under them by the preload library.
#include "ChildProcess.h"
#include "process_runner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
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

// A file describing what the simulator cannot honour ends the program at its
// first call on a controller with the configuration error, the file and the
// value's place: run on, it would answer for a machine other than the one
// written down (or, for a size it cannot hold, run out of memory).
TEST(Preload, ConfigurationsTheSimulatorCannotHonourEndTheProgram) {
    const TempDirectory dir("qorsim-refused");
    const std::string adapter = R"({"adapters": [{"index": 0, "serial": 4660, )";
    const std::string close = "}]}";
    const std::string plain = R"({"adapters": [{"index": 0, "serial": 4660}])";
    const struct {
        std::string file;
        std::string json;
        std::string named;
    } cases[] = {
        {"key-twice.json", adapter + R"("containers": {"count": 4}}], "adapters": []})",
         "/adapters: duplicate key"},
        {"container-twice.json",
         adapter + R"("containers": {"count": 4, "list": [{"number": 1}, {"number": 1}]})" + close,
         "/adapters/0/containers/list/1/number: container 1 is described twice"},
        {"task-twice.json",
         adapter +
             R"("tasks": [{"id": 7, "job": 101}, {"id": 8, "job": 101}, {"id": 7, "job": 103}])" +
             close,
         "/adapters/0/tasks/2/id: task 7 is described twice"},
        {"drive-twice.json",
         adapter + R"("drives": [{"bus": 1, "target": 2}, {"bus": 1, "target": 3},
                                 {"target": 2, "bus": 1, "lun": 0}])" +
             close,
         "/adapters/0/drives/2: the drive at bus 1, target 2, lun 0 is described twice"},
        {"disk-set-twice.json",
         adapter + R"("diskSets": [{"number": 5}, {"number": 5, "label": "other"}])" + close,
         "/adapters/0/diskSets/1/number: disk set 5 is described twice"},
        {"parameter-twice.json",
         adapter + R"("parameters": [{"index": 3, "name": "a"}, {"index": 3, "name": "b"}])" +
             close,
         "/adapters/0/parameters/1/index: parameter 3 is described twice"},
        {"host-disk-twice.json",
         adapter +
             R"("containers": {"count": 4}, "hostDisks": [{"container": 2}, {"container": 2}])" +
             close,
         "/adapters/0/hostDisks/1/container: the host disk of container 2 is described twice"},
        {"bus-9-of-2.json", adapter + R"("drives": [{"bus": 9}])" + close,
         "/adapters/0/drives/0/bus: the adapter has no bus 9 (it has 2)"},
        {"target-200-of-15.json", adapter + R"("drives": [{"target": 200}])" + close,
         "/adapters/0/drives/0/target: the adapter has no target 200 (its highest is 15)"},
        {"lun-8.json", adapter + R"("drives": [{"lun": 8}])" + close,
         "/adapters/0/drives/0/lun: 8 is outside 0..7"},
        {"host-disk-of-nothing.json",
         adapter + R"("containers": {"count": 4}, "hostDisks": [{"container": 4}])" + close,
         "/adapters/0/hostDisks/0/container: the adapter has no container 4 (it has 4)"},
        {"host-disk-no-containers.json", adapter + R"("hostDisks": [{"container": 0}])" + close,
         "/adapters/0/hostDisks/0/container: the adapter has no container 0 (it has 0)"},
        {"nv-slots.json", adapter + R"("nvSlots": 4000000000)" + close,
         "/adapters/0/nvSlots: 4000000000 is outside 0..256"},
        {"slices.json", adapter + R"("slices": 4000000000)" + close,
         "/adapters/0/slices: 4000000000 is outside 0..256"},
        {"flash.json", adapter + R"("flash": {"biosBytes": 4000000000})" + close,
         "/adapters/0/flash/biosBytes: 4000000000 is outside 0..16777216"},
        {"defects.json", adapter + R"("drives": [{"grownDefects": 4000000000}])" + close,
         "/adapters/0/drives/0/grownDefects: 4000000000 is outside 0..65536"},
        {"buses.json", adapter + R"("buses": 65)" + close,
         "/adapters/0/buses: 65 is outside 0..64"},
        {"max-target.json", adapter + R"("maxTarget": 16)" + close,
         "/adapters/0/maxTarget: 16 is outside 0..15"},
        {"skip.json", plain + R"(, "faults": [{"fib": 704, "skip": -1}]})",
         "/faults/0/skip: -1 is outside 0..2147483647"},
        {"times.json", plain + R"(, "faults": [{"fib": 704, "times": -2}]})",
         "/faults/0/times: -2 is outside -1..2147483647"},
        {"error.json", plain + R"(, "faults": [{"fib": 704, "error": -5}]})",
         "/faults/0/error: -5 is outside 0..4095"},
        {"fib.json", plain + R"(, "faults": [{"fib": -704}]})",
         "/faults/0/fib: -704 is outside -1..2147483647"},
        {"clock.json", plain + R"(, "clock": 4})", "/clock: expected an object, found 4"},
        {"pci.json", adapter + R"("pci": [1, 2])" + close,
         "/adapters/0/pci: expected an object, found [1,2]"},
    };
    // All at once, each in a folder of its own: one at a time they take long.
    std::vector<std::string> paths;
    std::vector<std::unique_ptr<ChildProcess>> runs;
    for (const auto& c : cases) {
        const std::filesystem::path folder = dir.path() / c.file.substr(0, c.file.find('.'));
        std::filesystem::create_directory(folder);
        paths.push_back((folder / c.file).string());
        std::ofstream(paths.back()) << c.json;
        runs.push_back(std::make_unique<ChildProcess>(
            QORSIM_RUN, std::vector<std::string>{QORSIM_LIB, paths.back(), FSA_PROBE, "enum"},
            std::vector<std::string>{}, folder.string()));
    }
    for (std::size_t i = 0; i < runs.size(); ++i) {
        SCOPED_TRACE(cases[i].file);
        const ProcessResult r = runs[i]->finish();
        EXPECT_EQ(r.exitCode, 78) << r.out << r.err;
        EXPECT_EQ(r.err, "qorsim: configuration " + paths[i] + ": " + cases[i].named + "\n");
        EXPECT_EQ(r.out, "");
    }
}

// A command line the probe cannot use is refused before any call of the
// library (so no simulator is needed), naming what is wrong and giving the
// usage with the bad-usage code 64; --help gives the usage with 0.
TEST(Preload, TheProbeNamesWhatIsWrongWithItsCommandLine) {
    const TempDirectory dir("fsa-probe");
    const std::string usage = "usage: fsa_probe enum | open NAME rw|ro [BUILD] | hold NAME | "
                              "try NAME | scenario NAME | fork NAME\n";
    const ProcessResult help = runProcess(FSA_PROBE, {"--help"}, {}, dir.path().string());
    EXPECT_EQ(help.exitCode, 0) << help.err;
    EXPECT_EQ(help.out, usage);
    EXPECT_EQ(help.err, "");

    const struct {
        std::vector<std::string> args;
        std::string reason;
    } cases[] = {
        {{}, "no command given"},
        {{"list"}, "unknown command \"list\""},
        {{"open", "qor0", "xx"}, "the access must be rw or ro, not \"xx\""},
        {{"open", "qor0"}, "open takes NAME rw|ro [BUILD]"},
        {{"open", "qor0", "rw", "49x0"}, "BUILD must be a whole number, not \"49x0\""},
        {{"open", "qor0", "rw", "4970", "more"}, "open takes NAME rw|ro [BUILD]"},
        {{"enum", "qor0"}, "enum takes no arguments"},
        {{"hold"}, "hold takes NAME"},
        {{"try", "qor0", "qor2"}, "try takes NAME"},
        {{"scenario"}, "scenario takes NAME"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        const ProcessResult bad = runProcess(FSA_PROBE, c.args, {}, dir.path().string());
        EXPECT_EQ(bad.exitCode, 64);
        EXPECT_EQ(bad.err, "fsa_probe: " + c.reason + "\n" + usage);
        EXPECT_EQ(bad.out, "");
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
