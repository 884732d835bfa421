// Memory used up in the middle of an object call: the call answers -1 and the
// debug trace says why, instead of the exception ending the caller's process.
// No card is needed: the failure comes before the link is opened.
#include "call_in_child.h"
#include "failing_allocations.h"
#include "telm/telm.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

#include <unistd.h>

namespace {

constexpr int kDirectCard = 0x100 | 3;
constexpr int kSession1 = 1 << 16;

struct CallCase {
    const char* name;
    std::function<int()> call;
    const char* traced; // the call whose trace line says why
};

void PrintTo(const CallCase& c, std::ostream* out) {
    *out << c.name;
}

class ExhaustedMemory : public ::testing::TestWithParam<CallCase> {};

// A session whose password does not fit in the memory left.
TEST_P(ExhaustedMemory, ObjectCallAnswersMinusOneAndTracesWhy) {
    const CallCase& c = GetParam();
    auto entry = std::make_unique<spSsnEntry>();
    std::strcpy(entry->address, "127.0.0.1");
    std::strcpy(entry->user, "admin");
    std::memset(entry->password, 'p', 200);
    char trace[] = "/tmp/telm-trace.XXXXXX";
    const int traceFd = mkstemp(trace);
    ASSERT_GE(traceFd, 0);

    kortest::CallInChild call([&] {
        spSsnTable[0] = entry.get();
        debugState = 0x3; // print, level already loaded
        dup2(traceFd, STDERR_FILENO);
        kortest::FailingAllocations exhausted(128);
        return c.call();
    });
    EXPECT_EQ(std::optional<int>(-1), call.result(std::chrono::seconds(10)))
        << "the call did not return";
    std::ifstream in(trace);
    std::stringstream traced;
    traced << in.rdbuf();
    close(traceFd);
    unlink(trace);
    EXPECT_NE(std::string::npos, traced.str().find(std::string(c.traced) + ".. std::bad_alloc\n"))
        << traced.str();
}

INSTANTIATE_TEST_SUITE_P(
    Telm, ExhaustedMemory,
    ::testing::Values(CallCase{"name",
                               [] {
                                   char out[64];
                                   int status = 0;
                                   return dzBypObjectName(kSession1 | 3, "getsummary", out,
                                                          sizeof out, &status);
                               },
                               "dzBypObjectName"},
                      CallCase{"set",
                               [] {
                                   int status = 0;
                                   return dzBypObjectIdSet(kSession1 | 3, 1, 2, 0, "v", &status);
                               },
                               "dzBypObjectIdSet"},
                      CallCase{"getThroughTheRoute",
                               [] {
                                   char out[64];
                                   int status = 0;
                                   return devuzObjIdGet(kSession1 | kDirectCard, 1, 2, 0, out,
                                                        sizeof out, &status);
                               },
                               "dzBypObjectIdGet"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
