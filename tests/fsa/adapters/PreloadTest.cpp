// The unmodified library in separate processes, against the simulated
// controller put under them by the preload library.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// A child process with a pipe to its stdin and one from its stdout.
class Child {
public:
    explicit Child(const std::vector<std::string>& args) {
        int in[2], out[2];
        if (::pipe(in) != 0 || ::pipe(out) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(in[0], 0);
            ::dup2(out[1], 1);
            ::close(in[0]);
            ::close(in[1]);
            ::close(out[0]);
            ::close(out[1]);
            std::vector<char*> argv;
            for (const auto& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        m_in = in[1];
        m_out = ::fdopen(out[0], "r");
    }
    ~Child() {
        closeInput();
        wait();
        if (m_out)
            std::fclose(m_out);
    }
    std::string readLine() {
        char line[256];
        return m_out && std::fgets(line, sizeof line, m_out) ? std::string(line) : std::string();
    }
    std::string readAll() {
        std::string all, line;
        while (!(line = readLine()).empty())
            all += line;
        return all;
    }
    void closeInput() {
        if (m_in >= 0)
            ::close(m_in);
        m_in = -1;
    }
    int wait() {
        if (m_pid > 0) {
            ::waitpid(m_pid, &m_status, 0);
            m_pid = -1;
        }
        return WIFEXITED(m_status) ? WEXITSTATUS(m_status) : -1;
    }

private:
    pid_t m_pid = -1;
    int m_in = -1;
    FILE* m_out = nullptr;
    int m_status = 0;
};

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

} // namespace
