// Scheduling and removal on a real crontab file. Runs in the sandbox: one case
// mounts a tiny tmpfs to make the rewrite fail for real.
#include "Scheduler.h"

#include "call_in_child.h"
#include "killed_writers.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace korsched {
namespace {

const char* const kForeign = "SHELL=/bin/sh\n"
                             "17 *\t* * *\troot\tcd / && run-parts --report /etc/cron.hourly\n"
                             "0 3 * * * root /usr/bin/logger --mentions /opt/diag/run\n";

class SchedulerTest : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/korsched-test.XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(dir));
        m_dir = dir;
        m_crontab = m_dir + "/crontab";
    }
    void TearDown() override {
        umount2((m_dir + "/full").c_str(), MNT_DETACH);
        std::system(("rm -rf '" + m_dir + "'").c_str());
    }

    void write(const std::string& contents) { std::ofstream(m_crontab) << contents; }
    std::string read() const {
        std::ifstream in(m_crontab);
        std::stringstream all;
        all << in.rdbuf();
        return all.str();
    }
    int schedule(int type, const std::string& name = "/opt/diag/run",
                 const std::string& param = "-q", int month = 7, int day = 4, int year = 2005) {
        ScheduleRequest r;
        r.month = month;
        r.day = day;
        r.year = year;
        r.hour = 2;
        r.minute = 30;
        r.type = scheduleTypeFromCode(type);
        r.appName = name;
        r.runtimeParam = param;
        return scheduler().scheduleTask(r);
    }
    Scheduler scheduler() { return Scheduler(m_crontab, m_dir + "/lock", m_out); }
    // Rewrite temporaries lying beside the crontab, all or one writer's.
    int temporaries(pid_t writer = 0) const {
        const std::string own =
            ".crontab.korsched." + (writer != 0 ? std::to_string(writer) + "." : "");
        int count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(m_dir))
            count += entry.path().filename().string().rfind(own, 0) == 0;
        return count;
    }

    std::string m_dir;
    std::string m_crontab;
    std::ostringstream m_out;
};

TEST_F(SchedulerTest, AppendsTheLineAndKeepsTheRest) {
    write(kForeign);
    EXPECT_EQ(1, schedule(0));
    EXPECT_EQ(std::string(kForeign) + "30 2 * * * root /opt/diag/run 7/4/2005 -q \n", read());
    EXPECT_NE(std::string::npos, m_out.str().find("Schedule Task Daily"));
    EXPECT_NE(std::string::npos, m_out.str().find("Scheduling task completed successfully.!"));
}

TEST_F(SchedulerTest, RescheduleLeavesOneLine) {
    write(kForeign);
    ASSERT_EQ(1, schedule(0));
    ASSERT_EQ(1, schedule(1));
    ASSERT_EQ(1, schedule(3, "/opt/diag/run", "-x", 12, 25));
    EXPECT_EQ(std::string(kForeign) + "30 2 25 12 * root /opt/diag/run 12/25/2005 -x\n", read());
    EXPECT_NE(std::string::npos, m_out.str().find("A scheduled task exists currently!"));
}

TEST_F(SchedulerTest, DeleteRemovesOnlyTheNamedRun) {
    write(kForeign);
    ASSERT_EQ(1, schedule(0, "/opt/diag/run"));
    ASSERT_EQ(1, schedule(1, "/opt/diag/runner"));
    EXPECT_EQ(1, scheduler().deleteTask("/opt/diag/run"));
    EXPECT_EQ(std::string(kForeign) + "30 2 * * 1 root /opt/diag/runner 7/4/2005 -q\n", read());
    EXPECT_NE(std::string::npos, m_out.str().find("Deleted currently scheduled task."));
}

TEST_F(SchedulerTest, DeleteOfAnUnscheduledNameChangesNothing) {
    write(kForeign);
    for (const char* name : {"/opt/diag/run", "", "run-parts"}) {
        EXPECT_EQ(0, scheduler().deleteTask(name)) << name;
        EXPECT_EQ(kForeign, read()) << name;
    }
    EXPECT_NE(std::string::npos,
              m_out.str().find("- No task was previously scheduled to be deleted."));
}

TEST_F(SchedulerTest, RefusedRequestsLeaveTheCrontabByteIdentical) {
    write(kForeign);
    EXPECT_EQ(0, schedule(0, "/opt/diag/run", "-q\nreboot"));
    EXPECT_EQ(0, schedule(3, "/opt/diag/run", "-q", 2, 30));
    EXPECT_EQ(0, schedule(3, ""));
    EXPECT_EQ(kForeign, read());
}

TEST_F(SchedulerTest, FinalNewlineIsAddedAndModeAndOwnerAreKept) {
    const struct {
        mode_t mode;
        uid_t uid;
        gid_t gid;
    } cases[] = {{0644, 0, 0}, {0600, 0, 0}, {0640, 0, 42}, {0400, 1234, 5678}};
    for (const auto& c : cases) {
        write("SHELL=/bin/sh");
        ASSERT_EQ(0, chmod(m_crontab.c_str(), c.mode));
        ASSERT_EQ(0, chown(m_crontab.c_str(), c.uid, c.gid));
        ASSERT_EQ(1, schedule(2));
        EXPECT_EQ("SHELL=/bin/sh\n30 2 4 * * root /opt/diag/run 7/4/2005 -q\n", read());
        ASSERT_EQ(1, scheduler().deleteTask("/opt/diag/run"));
        struct stat st {};
        ASSERT_EQ(0, stat(m_crontab.c_str(), &st));
        EXPECT_EQ(c.mode, st.st_mode & 07777) << std::oct << c.mode;
        EXPECT_EQ(c.uid, st.st_uid) << std::oct << c.mode;
        EXPECT_EQ(c.gid, st.st_gid) << std::oct << c.mode;
        ASSERT_EQ(0, unlink(m_crontab.c_str()));
    }
}

TEST_F(SchedulerTest, MissingCrontabIsCreatedForRootWithMode0644) {
    EXPECT_EQ(0, scheduler().deleteTask("/opt/diag/run"));
    EXPECT_NE(0, access(m_crontab.c_str(), F_OK));
    EXPECT_EQ(1, schedule(0));
    EXPECT_EQ("30 2 * * * root /opt/diag/run 7/4/2005 -q \n", read());
    struct stat st {};
    ASSERT_EQ(0, stat(m_crontab.c_str(), &st));
    EXPECT_EQ(0644u, st.st_mode & 07777);
    EXPECT_EQ(0u, st.st_uid);
    EXPECT_EQ(0u, st.st_gid);
}

// The crontab may be a link into a directory of its own: the file at the end
// of the links is rewritten (or created), and the links stay links.
TEST_F(SchedulerTest, LinkedCrontabIsRewrittenAtItsTarget) {
    ASSERT_EQ(0, mkdir((m_dir + "/real").c_str(), 0755));
    const struct {
        const char* what;
        std::vector<std::pair<std::string, std::string>> links; // link, what it points to
        const char* target;                                     // nullptr: no file at the end
    } cases[] = {
        {"relative link", {{"crontab", "real/tab"}}, "real/tab"},
        {"absolute link", {{"crontab", m_dir + "/real/tab"}}, "real/tab"},
        {"chain of links", {{"crontab", "hop"}, {"hop", "real/tab"}}, "real/tab"},
        {"link relative to its own directory",
         {{"crontab", "real/hop"}, {"real/hop", "tab"}},
         "real/tab"},
        {"dangling link", {{"crontab", "real/new"}}, nullptr},
    };
    for (const auto& c : cases) {
        for (const auto& [link, to] : c.links)
            ASSERT_EQ(0, symlink(to.c_str(), (m_dir + "/" + link).c_str())) << c.what;
        const std::string end = m_dir + "/real/" + (c.target ? "tab" : "new");
        if (c.target)
            std::ofstream(end) << kForeign;
        const std::string before = c.target ? kForeign : "";

        ASSERT_EQ(1, schedule(1)) << c.what;
        for (const auto& [link, to] : c.links) {
            struct stat st {};
            ASSERT_EQ(0, lstat((m_dir + "/" + link).c_str(), &st)) << c.what;
            EXPECT_TRUE(S_ISLNK(st.st_mode)) << c.what << ": " << link << " is no longer a link";
        }
        std::ifstream in(end);
        std::stringstream text;
        text << in.rdbuf();
        EXPECT_EQ(before + "30 2 * * 1 root /opt/diag/run 7/4/2005 -q\n", text.str()) << c.what;
        EXPECT_EQ(1, scheduler().deleteTask("/opt/diag/run")) << c.what;
        EXPECT_EQ(before, read()) << c.what;

        for (const auto& [link, to] : c.links)
            ASSERT_EQ(0, unlink((m_dir + "/" + link).c_str()));
        ASSERT_EQ(0, unlink(end.c_str()));
    }
}

TEST_F(SchedulerTest, LinkLoopOrNonRegularCrontabIsLeftAlone) {
    ASSERT_EQ(0, symlink("loop", (m_dir + "/loop").c_str()));
    ASSERT_EQ(0, symlink("loop", m_crontab.c_str()));
    EXPECT_EQ(0, schedule(0));
    ASSERT_EQ(0, unlink(m_crontab.c_str()));
    ASSERT_EQ(0, mkdir(m_crontab.c_str(), 0755));
    EXPECT_EQ(0, schedule(0));
    EXPECT_NE(std::string::npos, m_out.str().find("Failed to open system crontab file!"));
    EXPECT_EQ(0,
              std::system(("test \"$(ls -A '" + m_dir + "')\" = \"crontab\nlock\nloop\"").c_str()));
}

// A FIFO at the crontab would block a plain open for ever, with the lock held
// against every other process.
TEST_F(SchedulerTest, FifoAtTheCrontabFailsTheCallAndHoldsNoLock) {
    const struct {
        const char* what;
        std::function<int()> call;
    } calls[] = {
        {"schedule", [&] { return schedule(0); }},
        {"delete", [&] { return scheduler().deleteTask("/opt/diag/run"); }},
    };
    for (const auto& c : calls) {
        ASSERT_EQ(0, mkfifo(m_crontab.c_str(), 0644));
        kortest::CallInChild stuck(c.call);
        EXPECT_EQ(std::optional<int>(0), stuck.result(std::chrono::seconds(3)))
            << c.what << " did not return";
        struct stat st {};
        ASSERT_EQ(0, lstat(m_crontab.c_str(), &st));
        EXPECT_TRUE(S_ISFIFO(st.st_mode)) << c.what << " replaced the FIFO";

        ASSERT_EQ(0, unlink(m_crontab.c_str()));
        write(kForeign);
        kortest::CallInChild next([&] { return schedule(0); });
        EXPECT_EQ(std::optional<int>(1), next.result(std::chrono::seconds(3)))
            << "after " << c.what << ", a later call was kept waiting";
        EXPECT_EQ(std::string(kForeign) + "30 2 * * * root /opt/diag/run 7/4/2005 -q \n", read());
        ASSERT_EQ(0, unlink(m_crontab.c_str()));
    }
}

// Only a regular file serves as the lock file; anything else there fails the
// call at once and is left as it was.
TEST_F(SchedulerTest, SpecialFileAtTheLockPathFailsTheCall) {
    const std::string lock = m_dir + "/lock";
    const struct {
        const char* what;
        std::function<int()> make;
        mode_t type;
    } cases[] = {
        {"FIFO", [&] { return mkfifo(lock.c_str(), 0600); }, S_IFIFO},
        {"directory", [&] { return mkdir(lock.c_str(), 0700); }, S_IFDIR},
        {"link to a file",
         [&] {
             std::ofstream(m_dir + "/elsewhere") << "";
             return symlink("elsewhere", lock.c_str());
         },
         S_IFLNK},
    };
    for (const auto& c : cases) {
        write(kForeign);
        ASSERT_EQ(0, c.make()) << c.what;
        kortest::CallInChild call([&] { return schedule(0); });
        EXPECT_EQ(std::optional<int>(0), call.result(std::chrono::seconds(3))) << c.what;
        EXPECT_EQ(kForeign, read()) << c.what;
        struct stat st {};
        ASSERT_EQ(0, lstat(lock.c_str(), &st)) << c.what;
        EXPECT_EQ(c.type, st.st_mode & S_IFMT) << c.what << " was replaced";
        ASSERT_EQ(0, std::system(("rm -rf " + lock).c_str()));
    }
}

// The front end may pass any int: the request block still shows it, and the
// console stays usable for the lines after it.
TEST_F(SchedulerTest, ExtremeDatesArePrintedAndScheduledDaily) {
    const struct {
        int month;
        int year;
        const char* printed;
    } cases[] = {
        {7, 20000, "Time looks ok!\nAscii Time = Tue Jul  4 02:30:00 20000\n\nMonth  = 6\n"},
        {7, INT_MAX, "Ascii Time = Thu Jul  4 02:30:00 2147483647\n\nMonth  = 6\n"},
        {7, INT_MIN, "Time doesn't look ok!\nMonth  = 6\nDay    = 4\nYear   = -2147485548\n"},
        {INT_MIN, 2005, "Time doesn't look ok!\nMonth  = -2147483649\n"},
    };
    for (const auto& c : cases) {
        write(kForeign);
        m_out.str("");
        EXPECT_EQ(1, schedule(0, "/opt/diag/run", "-q", c.month, 4, c.year)) << c.year;
        EXPECT_NE(std::string::npos, m_out.str().find(c.printed)) << m_out.str();
        EXPECT_NE(std::string::npos, m_out.str().find("Scheduling task completed successfully.!\n"))
            << m_out.str();
        EXPECT_EQ(std::string(kForeign) + "30 2 * * * root /opt/diag/run " +
                      std::to_string(c.month) + "/4/" + std::to_string(c.year) + " -q \n",
                  read());
    }
}

TEST_F(SchedulerTest, NoTemporaryFileIsLeftBehind) {
    write(kForeign);
    ASSERT_EQ(1, schedule(0));
    ASSERT_EQ(1, scheduler().deleteTask("/opt/diag/run"));
    EXPECT_EQ(0, std::system(("test \"$(ls -A '" + m_dir + "')\" = \"crontab\nlock\"").c_str()));
}

TEST_F(SchedulerTest, KilledRewritesLeaveNoTemporaryAfterTheNextRewrite) {
    std::string big = kForeign;
    for (int i = 0; i < 40000; ++i)
        big += "# comment line " + std::to_string(i) + std::string(40, '-') + "\n";
    write(big);
    ASSERT_NO_FATAL_FAILURE(kortest::killRewritesMidway(
        [&] { schedule(0); }, [&](pid_t writer) { return temporaries(writer) > 0; }));
    ASSERT_GT(temporaries(), 0) << "the kills left nothing to clean";
    ASSERT_EQ(1, schedule(0));
    EXPECT_EQ(0, temporaries());
    EXPECT_EQ(big + "30 2 * * * root /opt/diag/run 7/4/2005 -q \n", read());
}

TEST_F(SchedulerTest, ALiveWritersTemporaryIsLeftAlone) {
    write(kForeign);
    const std::string live = m_dir + "/.crontab.korsched." + std::to_string(getpid()) + ".aB3dE9";
    std::ofstream(live) << "being written";
    const int held = open(live.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(0, flock(held, LOCK_EX));
    const std::string dead = m_dir + "/.crontab.korsched.999999999.Zz9Yx8";
    std::ofstream(dead) << "left by a crash";

    ASSERT_EQ(1, schedule(0));
    EXPECT_EQ(0, access(live.c_str(), F_OK)) << "a live writer's temporary was removed";
    EXPECT_NE(0, access(dead.c_str(), F_OK));

    close(held); // its writer is gone now
    ASSERT_EQ(1, scheduler().deleteTask("/opt/diag/run"));
    EXPECT_EQ(0, temporaries());
    EXPECT_EQ(kForeign, read());
}

TEST_F(SchedulerTest, ConcurrentEditsFromThreadsAndProcessesLoseNothing) {
    write(kForeign);
    // Two processes, each with four threads, reschedule their own programs;
    // each ends with a "once" run (19 % 4 == 3).
    const auto edit = [&](const std::string& prefix) {
        std::vector<std::thread> threads;
        for (int t = 0; t < 4; ++t)
            threads.emplace_back([&, t] {
                std::ostringstream out;
                Scheduler own(m_crontab, m_dir + "/lock", out);
                ScheduleRequest r;
                r.month = 1, r.day = 2, r.year = 2030, r.hour = 3, r.minute = 4;
                r.appName = prefix + std::to_string(t);
                for (int i = 0; i < 20; ++i) {
                    r.type = scheduleTypeFromCode(i % 4);
                    own.scheduleTask(r);
                }
            });
        for (auto& thread : threads)
            thread.join();
    };
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        edit("/opt/child");
        _exit(0);
    }
    edit("/opt/parent");
    int status = 0;
    ASSERT_EQ(child, waitpid(child, &status, 0));
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    const std::string result = read();
    EXPECT_EQ(0u, result.find(kForeign));
    for (const char* prefix : {"/opt/child", "/opt/parent"})
        for (int t = 0; t < 4; ++t) {
            const std::string line =
                "4 3 2 1 * root " + std::string(prefix) + std::to_string(t) + " 1/2/2030 \n";
            EXPECT_NE(std::string::npos, result.find(line)) << line << " missing from\n" << result;
        }
    EXPECT_EQ(std::string(kForeign).size() +
                  8 * std::string("4 3 2 1 * root /opt/childN 1/2/2030 \n").size() + 4,
              result.size());
}

// Someone removes or replaces the lock file over and over while several
// processes schedule: a process must never take the lock on a file that is
// no longer the lock file, so every run a call answered 1 for is in the
// crontab.
TEST_F(SchedulerTest, LockFileReplacedMeanwhileLosesNoAnsweredRun) {
    const std::string lock = m_dir + "/lock";
    const struct {
        const char* what;
        std::function<void(int)> disturb; // one step, given a counter
    } cases[] = {
        {"removed", [&](int) { unlink(lock.c_str()); }},
        {"replaced, at once or after a gap",
         [&](int step) {
             const std::string fresh = m_dir + "/fresh";
             close(open(fresh.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600));
             if (step % 2 != 0)
                 unlink(lock.c_str());
             rename(fresh.c_str(), lock.c_str());
         }},
    };
    constexpr int kWriters = 6;
    constexpr int kCalls = 40;
    for (const auto& c : cases) {
        write(kForeign);
        const pid_t disturber = fork();
        ASSERT_GE(disturber, 0);
        if (disturber == 0) {
            for (int step = 0;; ++step) {
                c.disturb(step);
                usleep(500 + step % 10 * 450); // 0.5 to 4.5 ms
            }
        }
        // Each writer sends one byte a call: the answer.
        std::vector<std::pair<pid_t, int>> writers;
        for (int w = 0; w < kWriters; ++w) {
            int answers[2];
            ASSERT_EQ(0, pipe(answers));
            const pid_t writer = fork();
            ASSERT_GE(writer, 0);
            if (writer == 0) {
                close(answers[0]);
                for (int i = 0; i < kCalls; ++i) {
                    char name[32];
                    std::snprintf(name, sizeof name, "/opt/w%d_%03d", w, i);
                    const char answer = static_cast<char>(schedule(3, name));
                    if (::write(answers[1], &answer, 1) != 1)
                        _exit(1);
                }
                _exit(0);
            }
            close(answers[1]);
            writers.emplace_back(writer, answers[0]);
        }
        std::vector<std::string> answered;
        for (int w = 0; w < kWriters; ++w) {
            const auto [writer, answers] = writers[w];
            char got[kCalls] = {};
            size_t have = 0;
            for (ssize_t n; have < sizeof got; have += static_cast<size_t>(n))
                if ((n = ::read(answers, got + have, sizeof got - have)) <= 0)
                    break;
            close(answers);
            int status = 0;
            ASSERT_EQ(writer, waitpid(writer, &status, 0));
            ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.what;
            ASSERT_EQ(sizeof got, have) << c.what;
            for (int i = 0; i < kCalls; ++i) {
                char name[32];
                std::snprintf(name, sizeof name, " root /opt/w%d_%03d ", w, i);
                if (got[i] == 1)
                    answered.push_back(name);
            }
        }
        kill(disturber, SIGKILL);
        waitpid(disturber, nullptr, 0);

        const std::string result = read();
        EXPECT_EQ(0u, result.find(kForeign)) << c.what;
        int missing = 0;
        for (const std::string& line : answered)
            missing += result.find(line) == std::string::npos;
        EXPECT_EQ(0, missing) << c.what << ": runs answered 1 but not in the crontab, of "
                              << answered.size() << " answered 1";
        // Most calls get through: the lock is lost only while someone
        // replaces it under a writer.
        EXPECT_GT(answered.size(), size_t{kWriters * kCalls / 2}) << c.what;
        unlink(lock.c_str());
    }
}

TEST_F(SchedulerTest, FailedRewriteLeavesTheCrontabUntouched) {
    const std::string full = m_dir + "/full";
    ASSERT_EQ(0, mkdir(full.c_str(), 0755));
    ASSERT_EQ(0, mount("korsched-full", full.c_str(), "tmpfs", 0, "size=16k"))
        << "needs root in a private mount namespace";
    m_crontab = full + "/crontab";
    // Fill the file system so that no second copy of the crontab fits.
    const std::string big = std::string(kForeign) + "# " + std::string(5000, 'x') + "\n";
    write(big);
    ASSERT_EQ(big, read());
    ASSERT_EQ(1, schedule(0)) << "sanity: the line itself fits before the filler";
    ASSERT_EQ(1, scheduler().deleteTask("/opt/diag/run"));
    ASSERT_EQ(big, read());

    std::ofstream(full + "/filler") << std::string(3000, 'f');
    EXPECT_EQ(0, schedule(0));
    EXPECT_EQ(big, read());
}

} // namespace
} // namespace korsched
