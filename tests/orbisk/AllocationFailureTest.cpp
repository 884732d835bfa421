// A real allocation failure: the engine under an address-space limit ends
// with status 2 (not enough memory) instead of throwing or crashing.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "process_runner.h"

namespace {

using ::testing::HasSubstr;

ProcessResult probe(const char* limitMB, const char* totalKB, const char* threads) {
    return runProcess(ALLOC_PROBE, {limitMB, totalKB, threads}, {}, WORK_DIR);
}

TEST(AllocationFailure, StatusTwoUnderATightAddressSpaceLimit) {
    const ProcessResult result = probe("768", "2097151", "4");
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_THAT(result.out, HasSubstr("progress 100\nstatus 2\n"));
}

TEST(AllocationFailure, SameLimitWithLittleMemoryPasses) {
    const ProcessResult result = probe("768", "65536", "4");
    EXPECT_EQ(result.exitCode, 0) << result.out << result.err;
    EXPECT_THAT(result.out, HasSubstr("progress 100\nstatus 0\n"));
}

} // namespace
