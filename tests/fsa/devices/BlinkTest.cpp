// Blinking drives: worker threads that read the drive until their cycles run out.
#include "BlinkManager.h"
#include "DeviceFixture.h"
#include "ScsiCommands.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <map>

namespace {

using fsatest::drive;

class Blink : public fsatest::DeviceTest {
protected:
    FSA_BLINK_MANAGER& manager() { return *static_cast<FSA_BLINK_MANAGER*>(ctx()->blinkManager); }
    FSA_STATUS blink(const FSA_STORAGE_DEVICE& d, std::uint32_t count) {
        std::uint32_t arg[4] = {0, count};
        const FSA_STATUS s = FsaStorageDevice(handle, &d, FSA_SDO_BLINK, arg);
        queried(d, s);
        return s;
    }
    bool blinking(const FSA_STORAGE_DEVICE& d) {
        FSA_STORAGE_DEVICE_INFO info;
        const FSA_STATUS s = FsaGetStorageDeviceInfo(handle, 0, &d, &info);
        EXPECT_EQ(s, FSA_STS_SUCCESS);
        queried(d, s);
        return info.blinking != 0;
    }
    bool idle() { return manager().Running() == 0; }
    // The reads of the blink workers: each drive query of a disk reads its
    // failover block once as well.
    std::uint32_t reads(std::uint32_t id) { return simDrive(id).blockReads - m_queries[id]; }

private:
    void queried(const FSA_STORAGE_DEVICE& d, FSA_STATUS s) {
        if (s == FSA_STS_SUCCESS)
            ++m_queries[SCSI_GetInternalID(ctx(), &d)];
    }
    std::map<std::uint32_t, std::uint32_t> m_queries;
};

TEST_F(Blink, CountZeroForAQuietDriveStartsNothing) {
    const FSA_STORAGE_DEVICE d = drive(0, 0);
    ASSERT_EQ(blink(d, 0), FSA_STS_SUCCESS);
    EXPECT_EQ(manager().Running(), 0u);
    EXPECT_FALSE(blinking(d));
    EXPECT_EQ(reads(0), 0u);
}

TEST_F(Blink, CountTwoGivesThreeCyclesOfThreeReads) {
    const FSA_STORAGE_DEVICE d = drive(0, 0);
    ASSERT_EQ(blink(d, 2), FSA_STS_SUCCESS);
    ASSERT_TRUE(eventually([&] { return idle(); }));
    EXPECT_FALSE(manager().IsDriveBlinking(&d));
    EXPECT_EQ(reads(0), 9u);
    EXPECT_EQ(simDrive(0).readsOutOfRange, 0u);
}

TEST_F(Blink, BlinkUntilStopped) {
    const FSA_STORAGE_DEVICE d = drive(0, 0);
    ASSERT_EQ(blink(d, FSA_BLINK_FOREVER), FSA_STS_SUCCESS);
    EXPECT_TRUE(blinking(d));
    ASSERT_TRUE(eventually([&] { return reads(0) > 12; })); // more than its count would give
    // A second request for the drive changes its count; no second worker.
    ASSERT_EQ(blink(d, FSA_BLINK_FOREVER), FSA_STS_SUCCESS);
    EXPECT_EQ(manager().Running(), 1u);
    ASSERT_EQ(blink(d, 0), FSA_STS_SUCCESS);
    ASSERT_TRUE(eventually([&] { return idle(); }));
    EXPECT_FALSE(blinking(d));
    EXPECT_EQ(reads(0) % 3, 0u); // the current cycle was finished
}

TEST_F(Blink, WorkerEndsOnItsOwnFailures) {
    struct Case {
        const char* what;
        FSA_STORAGE_DEVICE device;
        std::uint32_t id;
        fsatest::ContextTest::On on;
        int code;
        int skip;
    } cases[] = {
        {"capacity reads as 0", drive(0, 6), 6, On::Scsi, -1, 0},
        {"capacity request fails", drive(0, 0), 0, On::Scsi, 6, 1}, // the query's passes
        {"read fails on the way", drive(0, 2), 2, On::Container, 90, 1},
    };
    for (const Case& c : cases) {
        if (c.code > 0)
            failNext(c.on, c.code, 1, c.skip);
        ASSERT_EQ(blink(c.device, FSA_BLINK_FOREVER), FSA_STS_SUCCESS) << c.what;
        ASSERT_TRUE(eventually([&] { return idle(); })) << c.what;
        EXPECT_FALSE(blinking(c.device)) << c.what;
        EXPECT_LE(reads(c.id), 1u) << c.what;
    }
}

TEST_F(Blink, RefusedRequests) {
    const FSA_STORAGE_DEVICE d = drive(0, 0), noSlice = drive(0, 1);
    failNext(On::Scsi, 5);
    EXPECT_NE(blink(d, 3), FSA_STS_SUCCESS);
    EXPECT_EQ(blink(noSlice, 3), FSA_STATUS(12));
    EXPECT_EQ(manager().Running(), 0u);
}

TEST_F(Blink, CloseWaitsForEveryWorker) {
    for (std::uint8_t t : {0, 2, 5})
        ASSERT_EQ(blink(drive(0, t), FSA_BLINK_FOREVER), FSA_STS_SUCCESS);
    EXPECT_EQ(manager().Running(), 3u);
    ASSERT_TRUE(eventually([&] { return reads(5) > 0; }));
    ASSERT_EQ(FsaCloseAdapter(handle), FSA_STS_SUCCESS);
    handle = nullptr;
    const std::uint32_t after = reads(0) + reads(2) + reads(5);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(reads(0) + reads(2) + reads(5), after);
    EXPECT_EQ(sim.openNodeCount(), 0u);
}

// The simulated controller, but no thread can be created.
class NoThreadsPort final : public fsatest::SimPort {
public:
    using SimPort::SimPort;
    int createThread(pthread_t*, void* (*)(void*), void*) override { return EAGAIN; }
};

// Without a worker nothing is left behind: no entry, no count, and no start
// record (the leak checker of the sanitizer tree would report it).
TEST_F(Blink, NoWorkerNoEntry) {
    NoThreadsPort noThreads(sim);
    fsa::setOsPort(&noThreads);
    const FSA_STORAGE_DEVICE d = drive(0, 0);
    const FSA_STATUS s = blink(d, FSA_BLINK_FOREVER);
    fsa::setOsPort(&port);
    EXPECT_EQ(s, FSA_STS_SUCCESS);
    EXPECT_EQ(manager().Running(), 0u);
    EXPECT_FALSE(blinking(d));
    EXPECT_EQ(reads(0), 0u);
}

// The battery report's register method is its own requests': workers that
// start meanwhile ask with the adapter's method.
TEST_F(Blink, BatteryReportLeavesTheWorkersMethodAlone) {
    const std::uint32_t method = ctx()->scsiMethod;
    ASSERT_NE(method, 3u);
    std::string text;
    const auto collect = [](const char* piece, void* user) {
        *static_cast<std::string*>(user) += piece;
    };
    for (int round = 0; round < 20; ++round) {
        for (std::uint8_t t : {0, 2, 5})
            ASSERT_EQ(blink(drive(0, t), 1), FSA_STS_SUCCESS);
        ASSERT_EQ(FsaDiagnostic(handle, 5, nullptr, collect, &text), FSA_STS_SUCCESS);
    }
    ASSERT_TRUE(eventually([&] { return idle(); }));
    std::size_t capacity = 0, battery = 0;
    for (const qorsim::JournalEntry& e : sim.journal()) {
        const std::uint32_t sent = qorsim::get32(e.fib.data(), qorsim::kFibHeader + 8);
        if (e.scsiOperation == 6 || e.scsiOperation == 9) {
            ++capacity;
            EXPECT_EQ(sent, method) << e.scsiOperation;
        } else if (e.scsiOperation == 0x80) {
            ++battery;
            EXPECT_EQ(sent, 3u);
        }
    }
    EXPECT_GE(capacity, 20u);
    EXPECT_EQ(battery, 20u);
}

} // namespace
