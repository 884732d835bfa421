// The natives of libkorsched called as the JVM calls them, through a JNIEnv
// of the test's own, on the system crontab (in the sandbox). A crontab too
// large for the memory left fails the call with 0 and a console line that
// says why; the crontab is not written and the lock is not kept.
#include "call_in_child.h"
#include "failing_allocations.h"

#include <gtest/gtest.h>
#include <jni.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

extern "C" {
JNIEXPORT jint JNICALL Java_com_varn_diagnostic_obj_scheduler_BaseScheduler_scheduleTask(
    JNIEnv*, jobject, jint, jint, jint, jint, jint, jint, jstring, jstring, jstring, jstring);
JNIEXPORT jint JNICALL Java_com_varn_diagnostic_obj_scheduler_BaseScheduler_deleteTask(
    JNIEnv*, jobject, jstring, jstring, jstring);
}

namespace {

const char* const kCrontab = "/etc/crontab";
const char* const kFirstLine = "0 3 * * * root /opt/diag/run 7/4/2005 -q\n";
constexpr off_t kHugeCrontab = off_t{4} << 30; // sparse: costs no disk
constexpr std::size_t kMemoryLeft = std::size_t{64} << 20;

// The three string calls the natives make; a jstring is a std::u16string.
class FakeJni {
public:
    FakeJni() {
        std::memset(&m_functions, 0, sizeof m_functions);
        m_functions.GetStringLength = [](JNIEnv*, jstring s) -> jsize {
            return static_cast<jsize>(text(s).size());
        };
        m_functions.GetStringChars = [](JNIEnv*, jstring s, jboolean*) -> const jchar* {
            return reinterpret_cast<const jchar*>(text(s).data());
        };
        m_functions.ReleaseStringChars = [](JNIEnv*, jstring, const jchar*) {};
        m_env.functions = &m_functions;
    }
    JNIEnv* env() { return &m_env; }
    jstring string(const std::u16string& value) {
        m_strings.push_back(std::make_unique<std::u16string>(value));
        return reinterpret_cast<jstring>(m_strings.back().get());
    }

private:
    static const std::u16string& text(jstring s) { return *reinterpret_cast<std::u16string*>(s); }

    JNINativeInterface_ m_functions;
    JNIEnv m_env;
    std::vector<std::unique_ptr<std::u16string>> m_strings;
};

int schedule(FakeJni& jni) {
    return Java_com_varn_diagnostic_obj_scheduler_BaseScheduler_scheduleTask(
        jni.env(), nullptr, 7, 4, 2005, 2, 30, 0, jni.string(u"/opt/diag/other"), jni.string(u""),
        jni.string(u""), jni.string(u"-q"));
}

int remove(FakeJni& jni) {
    return Java_com_varn_diagnostic_obj_scheduler_BaseScheduler_deleteTask(
        jni.env(), nullptr, jni.string(u"/opt/diag/run"), jni.string(u""), jni.string(u""));
}

struct HugeCase {
    const char* name;
    int (*call)(FakeJni&);
    const char* method;
};

void PrintTo(const HugeCase& c, std::ostream* out) {
    *out << c.name;
}

class HugeCrontab : public ::testing::TestWithParam<HugeCase> {};

TEST_P(HugeCrontab, AnswersZeroAndSaysWhy) {
    const HugeCase& c = GetParam();
    ASSERT_TRUE(std::ofstream(kCrontab) << kFirstLine);
    ASSERT_EQ(0, truncate(kCrontab, kHugeCrontab));
    struct stat before {};
    ASSERT_EQ(0, lstat(kCrontab, &before));

    char console[] = "/tmp/korsched-console.XXXXXX";
    const int out = mkstemp(console);
    ASSERT_GE(out, 0);
    kortest::CallInChild call([&] {
        dup2(out, STDOUT_FILENO);
        FakeJni jni;
        kortest::FailingAllocations exhausted(kMemoryLeft);
        return c.call(jni);
    });
    EXPECT_EQ(std::optional<int>(0), call.result(std::chrono::seconds(60)))
        << "the call did not return";
    std::ifstream in(console);
    std::stringstream printed;
    printed << in.rdbuf();
    close(out);
    unlink(console);
    EXPECT_NE(std::string::npos, printed.str().find(std::string("korsched.so - BaseScheduler.") +
                                                    c.method + "() : Failed: std::bad_alloc\n"))
        << printed.str();

    struct stat after {};
    ASSERT_EQ(0, lstat(kCrontab, &after));
    EXPECT_EQ(before.st_ino, after.st_ino) << "the crontab was replaced";
    EXPECT_EQ(before.st_size, after.st_size);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec) << "the crontab was written";
    EXPECT_EQ(before.st_ctim.tv_nsec, after.st_ctim.tv_nsec) << "the crontab was changed";
    char head[64] = {};
    const int fd = open(kCrontab, O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(static_cast<ssize_t>(std::strlen(kFirstLine)),
              read(fd, head, std::strlen(kFirstLine)));
    close(fd);
    EXPECT_STREQ(kFirstLine, head);

    // The lock went with the call: the next one, with memory enough, works.
    ASSERT_EQ(0, truncate(kCrontab, static_cast<off_t>(std::strlen(kFirstLine))));
    kortest::CallInChild next([&] {
        FakeJni jni;
        return c.call(jni);
    });
    EXPECT_EQ(std::optional<int>(1), next.result(std::chrono::seconds(10)));
    unlink(kCrontab);
}

INSTANTIATE_TEST_SUITE_P(Natives, HugeCrontab,
                         ::testing::Values(HugeCase{"schedule", schedule, "scheduleTask"},
                                           HugeCase{"delete", remove, "deleteTask"}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
