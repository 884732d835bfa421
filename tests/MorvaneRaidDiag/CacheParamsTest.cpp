// The controller's global cache parameters and the global cache test.
#include "DeviceTestsFixture.h"
#include "FsaCache.h"
#include "GlobalCacheTest.h"
#include "RunRaidTest.h"

#include <cerrno>

namespace {

using raidtest::runRaidTest;
using VarnDiags::Diag::DiagnosticEvent;
using VarnDiags::MorvaneRaidDiag::GlobalCacheTest;

using GlobalCache = raidtest::DiskControllerTest;

constexpr std::uint32_t kCtRefused = 219;

TEST_F(GlobalCache, ParametersComeFromTheStatistics) {
    sim.update(0, [](qorsim::Adapter& a) {
        a.cache.header[5] = 4096; // read size
        a.cache.header[8] = 2048; // write size
    });
    const auto params = ctrl->getGlobalCacheParams();
    ASSERT_TRUE(params);
    EXPECT_EQ(params->readSize, 4096u);
    EXPECT_EQ(params->writeSize, 2048u);
    EXPECT_EQ(params->readMax, 0x4000u);

    const auto out = runRaidTest<GlobalCacheTest>(ctrl.get());
    EXPECT_EQ(out.code, 0u);
    EXPECT_EQ(out.lines,
              (std::vector<std::string>{"GlobalCacheTest::GlobalCacheTest()",
                                        "MorvaneRaidDiag::GlobalCacheTest::run()",
                                        "MorvaneRaidDiag::GlobalCacheTest::pResult: PASSED "
                                        "TEST_COMPLETED_SUCCESSFULLY INFORMATION_EVENT"}));
}

TEST_F(GlobalCache, UnreadableParametersFailTheTest) {
    const std::string failed = "MorvaneRaidDiag::GlobalCacheTest::pResult: UNUSUAL_STATUS "
                               "GET_GLOBAL_CACHE_PARAMS_FAILED ERROR_EVENT";
    // The controller refuses the statistics.
    sim.update(0, [](qorsim::Adapter& a) { a.cache.statStatus = kCtRefused; });
    EXPECT_FALSE(ctrl->getGlobalCacheParams());
    auto out = runRaidTest<GlobalCacheTest>(ctrl.get());
    EXPECT_EQ(out.code, 16u);
    EXPECT_EQ(out.type, DiagnosticEvent::ERROR_EVENT);
    EXPECT_EQ(out.lines.back(), failed);

    // The request itself fails.
    sim.update(0, [](qorsim::Adapter& a) { a.cache.statStatus = 218; });
    qorsim::Fault f;
    f.ctCommand = 112;
    f.error = EIO;
    f.times = -1;
    sim.inject(f);
    out = runRaidTest<GlobalCacheTest>(ctrl.get());
    EXPECT_EQ(out.code, 16u);
    EXPECT_EQ(out.lines.back(), failed);
}

} // namespace
