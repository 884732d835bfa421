#include "SimFixture.h"

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <vector>

namespace {

using fsatest::OpenAdapterTest;
using fsatest::SimTest;
using namespace std::chrono_literals;

struct Event {
    void* handle;
    std::uint32_t bit;
    bool hasDetails;
    FSA_EVENT_DETAILS details;
};

// Collects what the general callback receives (on the receive thread).
struct Collector {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Event> events;
    std::uint32_t refuse = 0; // bits the callback asks to drop

    static int callback(void* handle, std::uint32_t bit, FSA_EVENT_DETAILS* details, void* user) {
        auto* self = static_cast<Collector*>(user);
        std::lock_guard<std::mutex> lock(self->mutex);
        Event e{handle, bit, details != nullptr, {}};
        if (details)
            e.details = *details;
        self->events.push_back(e);
        self->changed.notify_all();
        return (self->refuse & bit) ? 0 : 1;
    }

    // Waits until `count` events arrived; returns them.
    std::vector<Event> waitFor(std::size_t count) {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait_for(lock, 5s, [&] { return events.size() >= count; });
        return events;
    }
};

class EventTest : public OpenAdapterTest {
protected:
    void SetUp() override {
        OpenAdapterTest::SetUp();
        ASSERT_EQ(FsaRegisterGeneralCallback(handle, 0xFFFFFFFF, Collector::callback, &events),
                  FSA_STS_SUCCESS);
    }
    Collector events;
};

TEST_F(EventTest, RegistrationIsAnnouncedAndOpensEventsReadWrite) {
    const auto got = events.waitFor(1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].bit, 0x1u);
    EXPECT_FALSE(got[0].hasDetails);
    EXPECT_EQ(got[0].handle, handle);
    bool sent155 = false;
    for (const auto& e : sim.journal())
        sent155 |= e.ctCommand == 155;
    EXPECT_TRUE(sent155);
}

TEST_F(EventTest, NotificationsAreDecodedAndDelivered) {
    const struct {
        std::vector<std::uint32_t> notify;
        std::uint32_t bit;
        std::vector<std::uint32_t> words; // leading details words
    } cases[] = {
        {{7, 1, 4}, 0x100, {1, 0, 4660, 1}},
        {{14, 0, 1, 0}, 0x4000, {0, 2, 2, 4660}},
        {{14, 0, 0, 3}, 0x4000, {1, 0, 6, 4660}},
        {{4, 2}, 0x20, {2, 0, 4660}},
        {{5, 178}, 0x8, {}},
        {{13, 5, 6, 26}, 0x2000, {5, 6, 20, 4660}},
        {{19, 2}, 0x2000000, {}}, // not delivered: word 0 becomes 1
        {{20, 3, 1, 2, 3, 4}, 0x400000, {2, 1, 4, 3}},
    };
    std::size_t expected = 1;
    for (const auto& c : cases) {
        sim.notify(0, c.notify);
        if (c.bit == 0x2000000)
            continue;
        const auto got = events.waitFor(++expected);
        ASSERT_EQ(got.size(), expected);
        EXPECT_EQ(got.back().bit, c.bit);
        if (c.bit == 0x8) {
            FSA_STORAGE_DEVICE d;
            std::memcpy(&d, got.back().details.words, sizeof d);
            EXPECT_EQ(d.scsi.bus, 1);
            EXPECT_EQ(d.scsi.target, 2);
            EXPECT_EQ(d.scsi.lun, 3);
            EXPECT_EQ(d.scsi.adapterSerial, 4660u);
            continue;
        }
        for (std::size_t i = 0; i < c.words.size(); ++i)
            EXPECT_EQ(got.back().details.words[i], c.words[i])
                << "word " << i << " of bit " << c.bit;
    }
}

TEST_F(EventTest, UnknownSubKindsGiveNoEvent) {
    sim.notify(0, {7, 1, 2}); // container sub-kind 2: none
    sim.notify(0, {2});       // unknown notification
    sim.notify(0, {11, 9});   // container above the highest: none
    sim.notify(0, {18});      // a known one marks the end
    const auto got = events.waitFor(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].bit, 0x80000u);
}

TEST_F(EventTest, PauseEventsSetTheFlagEvenWhenTheCallbackDropsThem) {
    events.refuse = 0x400;
    sim.notify(0, {9});
    events.waitFor(2);
    unsigned count = 0;
    EXPECT_EQ(FsaGetTaskList(handle, nullptr, nullptr, nullptr, &count, 0), FSA_STS_ADAPTER_PAUSED);
    sim.notify(0, {10});
    events.waitFor(3);
    EXPECT_EQ(FsaGetTaskList(handle, nullptr, nullptr, nullptr, &count, 0), FSA_STS_SUCCESS);
    sim.notify(0, {9});
    sim.notify(0, {18});
    const auto got = events.waitFor(4);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[3].bit, 0x80000u); // the second pause was not delivered
    EXPECT_EQ(FsaGetTaskList(handle, nullptr, nullptr, nullptr, &count, 0), FSA_STS_ADAPTER_PAUSED);
}

TEST_F(EventTest, BroadcastReachesTheOtherClientsOnly) {
    void* other = open("qor0", FSA_ACC_READ_ONLY);
    Collector otherEvents;
    ASSERT_EQ(FsaRegisterGeneralCallback(other, 0xFFFFFFFF, Collector::callback, &otherEvents),
              FSA_STS_SUCCESS);
    FSA_EVENT_DETAILS d{};
    d.words[0] = 42;
    d.words[14] = 7;
    EXPECT_EQ(FsaSendAifEvent(handle, 0x200000, &d), FSA_STS_SUCCESS);
    const auto got = otherEvents.waitFor(2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].bit, 0x200000u);
    EXPECT_EQ(got[1].details.words[0], 42u);
    EXPECT_EQ(got[1].details.words[14], 7u);
    sim.notify(0, {18});
    EXPECT_EQ(events.waitFor(2).back().bit, 0x80000u); // the sender saw only the marker
    FsaCloseAdapter(other);
}

TEST_F(SimTest, PollerReadsEventsItself) {
    void* h = open("qor2", FSA_ACC_LL_READ_ONLY);
    std::uint8_t record[328];
    EXPECT_EQ(FsaPollForEvent(h, sizeof record, record), FSA_STS_NO_PENDING_EVENTS);
    EXPECT_EQ(FsaPollForEvent(h, 327, record), FSA_STS_BUFFER_TOO_SMALL);
    sim.notify(2, {9});
    ASSERT_EQ(FsaPollForEvent(h, sizeof record, record), FSA_STS_SUCCESS);
    std::uint32_t bit;
    std::memcpy(&bit, record, 4);
    EXPECT_EQ(bit, 0x400u);
    // Job progress arrives as a task record.
    sim.update(2, [](qorsim::Adapter& a) {
        qorsim::Task t;
        t.id = 5;
        t.jobCode = 101;
        t.step = 250;
        a.tasks.push_back(t);
    });
    sim.advanceClock();
    ASSERT_EQ(FsaPollForEvent(h, sizeof record, record), FSA_STS_SUCCESS);
    std::memcpy(&bit, record, 4);
    EXPECT_EQ(bit, 0x8000u);
    FSA_TASK_INFO info;
    std::memcpy(&info, record + 8, sizeof info);
    EXPECT_EQ(info.descriptor.taskId, 5u);
    EXPECT_EQ(info.progress, 250u);
    EXPECT_EQ(FsaPollForEvent(h, sizeof record, record), FSA_STS_NO_PENDING_EVENTS);
    // A broadcast of another client of the same adapter.
    void* sender = open("qor2", FSA_ACC_READ_ONLY);
    FSA_EVENT_DETAILS d{};
    d.words[0] = 3;
    ASSERT_EQ(FsaSendAifEvent(sender, 0x200000, &d), FSA_STS_SUCCESS);
    ASSERT_EQ(FsaPollForEvent(h, sizeof record, record), FSA_STS_SUCCESS);
    std::memcpy(&bit, record, 4);
    EXPECT_EQ(bit, 0x200000u);
    FsaCloseAdapter(sender);
    FsaCloseAdapter(h);
}

} // namespace

namespace {
TEST_F(EventTest, PollerNextToAReceiveThread) {
    void* other = open("qor0", FSA_ACC_READ_ONLY);
    std::uint8_t record[328];
    EXPECT_EQ(FsaPollForEvent(other, sizeof record, record), FSA_STS_NO_PENDING_EVENTS);
    FSA_EVENT_DETAILS d{};
    ASSERT_EQ(FsaSendAifEvent(other, 0x200000, &d), FSA_STS_SUCCESS);
    events.waitFor(2);
    ASSERT_EQ(FsaSendAifEvent(handle, 0x200000, &d), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaPollForEvent(other, sizeof record, record), FSA_STS_SUCCESS);
    FsaCloseAdapter(other);
}
} // namespace
