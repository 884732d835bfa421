// NVRAM state, battery state, reconditioning and battery replacement
// through the file-system command and the battery registers.
#include "Context.h"
#include "HandleTable.h"
#include "SimFixture.h"

#include <vector>

namespace {

const char* kConfig = R"({"adapters": [
  {"index": 0, "serial": 4660, "nvram": {"state": 1, "battery": 3, "word107": 107, "word108": 108}},
  {"index": 1, "serial": 4661, "info": {"platform": 20, "oem": 1, "options": 512}}]})";

class NvramTest : public fsatest::OpenAdapterTest {
protected:
    std::string config() const override { return kConfig; }
    void SetUp() override {
        OpenAdapterTest::SetUp();
        sim.clearJournal();
    }
    std::size_t sentFibs(int command) const {
        std::size_t n = 0;
        for (const auto& e : sim.journal())
            n += e.fibCommand == command;
        return n;
    }
};

TEST_F(NvramTest, ReadStatusMapsTheControllersStates) {
    const struct {
        std::uint32_t nvram, battery;
        std::uint32_t wantNvram, wantBattery;
    } rows[] = {{1, 3, 1, 1}, {0, 1, 0, 2}, {3, 2, 3, 3}, {7, 0, 4, 0}, {2, 9, 2, 0}};
    for (const auto& r : rows) {
        sim.update(0, [&](qorsim::Adapter& a) {
            a.maint.nvram.state = r.nvram;
            a.maint.nvram.battery = r.battery;
        });
        FSA_NVRAM_INFO info{};
        ASSERT_EQ(FsaNvram(handle, FSA_NVRAM_READ_STATUS, &info), FSA_STS_SUCCESS);
        EXPECT_EQ(info.nvramState, r.wantNvram) << r.nvram;
        EXPECT_EQ(info.batteryState, r.wantBattery) << r.battery;
        EXPECT_EQ(info.word107, 107u);
        EXPECT_EQ(info.word108, 108u);
    }
    const auto fib = sim.journal().back().fib;
    EXPECT_EQ(qorsim::get16(fib.data(), 4), 300);                  // command
    EXPECT_EQ(qorsim::get16(fib.data(), 8), 56);                   // request size
    EXPECT_EQ(qorsim::get32(fib.data(), qorsim::kFibHeader), 30u); // NVRAM request class
}

TEST_F(NvramTest, BadRepliesLeaveTheRecordUntouched) {
    FSA_NVRAM_INFO info{9, 9, 9, 9, 9};
    sim.update(0, [](qorsim::Adapter& a) { a.maint.nvram.response = 5; });
    EXPECT_EQ(FsaNvram(handle, FSA_NVRAM_READ_STATUS, &info), 166u);
    EXPECT_EQ(info.nvramState, 9u);
    sim.update(0, [](qorsim::Adapter& a) {
        a.maint.nvram.response = 0;
        a.maint.nvram.commandStatus = 3;
    });
    EXPECT_EQ(FsaNvram(handle, FSA_NVRAM_READ_STATUS, &info), 167u);
    EXPECT_EQ(FsaNvram(handle, FSA_NVRAM_RECONDITION, &info), 167u); // busy
    EXPECT_EQ(info.batteryState, 9u);
    qorsim::Fault broken;
    broken.fibCommand = 300;
    broken.error = EIO;
    sim.inject(broken);
    EXPECT_EQ(FsaNvram(handle, FSA_NVRAM_READ_STATUS, &info), FSA_STS_UX_IOCTL_FAILED);
}

TEST_F(NvramTest, OperationsAndAccess) {
    FSA_NVRAM_INFO info{};
    EXPECT_EQ(FsaNvram(handle, FSA_NVRAM_OPERATION(4), &info), FSA_STS_BAD_OPERATION);
    ASSERT_EQ(FsaNvram(handle, FSA_NVRAM_RECONDITION, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(sim.snapshot(0).maint.nvram.reconditions, 1u);
    info.newBattery = 0x12345;
    const std::uint32_t method = UtilGetContextFromHandle(handle)->scsiMethod;
    ASSERT_EQ(FsaNvram(handle, FSA_NVRAM_NEW_BATTERY, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(sim.snapshot(0).maint.newBatteryWrites, std::vector<std::uint32_t>{0x2345});
    EXPECT_EQ(UtilGetContextFromHandle(handle)->scsiMethod, method);
    qorsim::Fault refused;
    refused.scsiOperation = 0xF0000;
    refused.error = EIO;
    sim.inject(refused);
    EXPECT_EQ(FsaNvram(handle, FSA_NVRAM_NEW_BATTERY, &info), 535u);

    void* readOnly = open("qor0", FSA_ACC_READ_ONLY);
    for (auto op : {FSA_NVRAM_RELEASE_ORPHANS, FSA_NVRAM_RECONDITION, FSA_NVRAM_NEW_BATTERY})
        EXPECT_EQ(FsaNvram(readOnly, op, &info), FSA_STS_NEEDS_READ_WRITE) << op;
    EXPECT_EQ(FsaNvram(readOnly, FSA_NVRAM_READ_STATUS, &info), FSA_STS_SUCCESS);
    UtilGetContextFromHandle(readOnly)->paused.store(1);
    EXPECT_EQ(FsaNvram(readOnly, FSA_NVRAM_READ_STATUS, &info), FSA_STS_ADAPTER_PAUSED);
    FsaCloseAdapter(readOnly);

    EXPECT_EQ(FsaNvramEx(handle, 0, FSA_NVRAM_READ_STATUS, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaNvramEx(handle, 1, FSA_NVRAM_READ_STATUS, &info), FSA_STS_NO_ADAPTER);
    EXPECT_EQ(FsaNvram(nullptr, FSA_NVRAM_READ_STATUS, &info), FSA_STS_INVALID_HANDLE);
}

TEST_F(NvramTest, SmartBatteryAdaptersRefuseReconditioningAndReplacement) {
    void* smart = open("qor1");
    sim.clearJournal();
    FSA_NVRAM_INFO info{};
    EXPECT_EQ(FsaNvram(smart, FSA_NVRAM_RECONDITION, &info), 600u);
    EXPECT_EQ(FsaNvram(smart, FSA_NVRAM_NEW_BATTERY, &info), 601u);
    EXPECT_EQ(sentFibs(300) + sentFibs(500), 0u);
    FsaCloseAdapter(smart);
}

class OrphanBufferTest : public NvramTest {
protected:
    // Raw cache buffers held for container 3, which the controller does not have.
    std::string config() const override {
        return R"({"adapters": [{"index": 0, "serial": 4660, "nvram": {"state": 1}, "containers": {"count": 8},
                   "cache": {"slots": [{"container": 3, "words": {"2": 5}}]}}]})";
    }
};

TEST_F(OrphanBufferTest, OrphanCacheBuffersOverrideTheNvramState) {
    FSA_NVRAM_INFO info{};
    ASSERT_EQ(FsaNvram(handle, FSA_NVRAM_READ_STATUS, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(info.nvramState, 2u);
    EXPECT_EQ(FsaNvram(handle, FSA_NVRAM_RELEASE_ORPHANS, &info), FSA_STS_SUCCESS);
}

} // namespace
