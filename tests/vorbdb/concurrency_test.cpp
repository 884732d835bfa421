// Several processes and threads update distinct keys at once while a reader
// watches the file: no update may be lost and the database may never be
// missing, empty or hold a broken line.
#include <gtest/gtest.h>

#include "sandbox_check.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "db_paths.h"
#include "vorbdb/db_format.h"
#include "vorbdb/vorbdb.h"

namespace {

constexpr int kZutr = 15;
constexpr int kProcesses = 4;
constexpr int kThreads = 3;
constexpr int kUpdatesEach = 30;

std::string writerKey(const std::string& writer, int i) {
    return writer + "_" + std::to_string(i);
}

int writeAll(const std::string& writer) {
    int failures = 0;
    for (int i = 0; i < kUpdatesEach; ++i)
        failures += AuQVDBInstallUpdateString(kZutr, writerKey(writer, i).c_str(),
                                              ("v" + std::to_string(i)).c_str()) != 0;
    return failures;
}

// Empty when the content is a whole, well-formed database.
std::string fault(const std::string& content) {
    if (content.empty())
        return "database empty";
    if (content.back() != '\n')
        return "last line cut";
    std::string problem;
    vorbdb::format::forEachLine(content, [&](std::string_view line) {
        if (problem.empty() && !vorbdb::format::belongsToProject(line, "zutr"))
            problem = "broken line <" + std::string(line) + ">";
    });
    return problem;
}

TEST(Concurrency, ProcessesAndThreadsLoseNoUpdate) {
    ASSERT_INSIDE_SANDBOX();
    ASSERT_TRUE(vorbdb::attachTo("/etc", '/'));
    std::filesystem::remove("/etc/qvinstal.db");
    ASSERT_EQ(AuQVDBInstallUpdateString(kZutr, "seed", "1"), 0);

    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0)
            ::_exit(writeAll("proc" + std::to_string(p)) == 0 ? 0 : 1);
        children.push_back(pid);
    }

    std::atomic<bool> done{false};
    std::string readerFault;
    std::thread reader([&] {
        while (!done && readerFault.empty()) {
            std::ifstream in("/etc/qvinstal.db", std::ios::binary);
            if (!in) {
                readerFault = "database missing";
                break;
            }
            std::ostringstream content;
            content << in.rdbuf();
            readerFault = fault(content.str());
        }
    });
    std::vector<std::thread> threads;
    std::atomic<int> threadFailures{0};
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] { threadFailures += writeAll("thread" + std::to_string(t)); });
    for (std::thread& t : threads)
        t.join();
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    done = true;
    reader.join();
    EXPECT_EQ(readerFault, "");
    EXPECT_EQ(threadFailures, 0);

    std::ifstream in("/etc/qvinstal.db", std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    const std::string db = content.str();
    EXPECT_EQ(fault(db), "");
    int lines = 0;
    vorbdb::format::forEachLine(db, [&](std::string_view) { ++lines; });
    EXPECT_EQ(lines, 1 + (kProcesses + kThreads) * kUpdatesEach);
    std::vector<std::string> writers;
    for (int p = 0; p < kProcesses; ++p)
        writers.push_back("proc" + std::to_string(p));
    for (int t = 0; t < kThreads; ++t)
        writers.push_back("thread" + std::to_string(t));
    for (const std::string& w : writers)
        for (int i = 0; i < kUpdatesEach; ++i)
            EXPECT_NE(db.find("zutr." + writerKey(w, i) + "=v" + std::to_string(i) + "\n"),
                      std::string::npos)
                << w << " " << i;
}

} // namespace
