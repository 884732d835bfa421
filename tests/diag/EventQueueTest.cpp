#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <memory>
#include <thread>
#include <vector>

#include "Diag/DiagnosticResult.h"
#include "System/DEvent.h"
#include "System/DMutex.h"
#include "System/EventQueue.h"

using VarnDiags::Diag::DiagnosticEvent;
using VarnDiags::Diag::DiagnosticResult;
using VarnDiags::System::DEvent;
using VarnDiags::System::EventQueue;
using VarnDiags::System::IEvent;

namespace {

IEvent* labelled(unsigned int code) {
    auto* event = new DiagnosticEvent(code, DiagnosticEvent::INFORMATION_EVENT, 0);
    *event << "event " << code;
    return event;
}

unsigned int codeOf(IEvent* event) {
    return dynamic_cast<DiagnosticEvent&>(*event).getEventCode();
}

} // namespace

TEST(EventQueue, FirstInFirstOut) {
    EventQueue queue;
    EXPECT_EQ(queue.popEvent(), nullptr);
    for (unsigned int code : {1u, 2u, 3u})
        queue.pushEvent(labelled(code));
    EXPECT_EQ(queue.getNumberOfEvents(), 3u);
    for (unsigned int code : {1u, 2u, 3u}) {
        std::unique_ptr<IEvent> event(queue.popEvent());
        ASSERT_NE(event, nullptr);
        EXPECT_EQ(codeOf(event.get()), code);
    }
    EXPECT_EQ(queue.popEvent(), nullptr);
}

TEST(EventQueue, GetAllEventsEmptiesTheQueueOldestFirst) {
    EventQueue queue;
    queue.pushEvent(labelled(7));
    queue.pushEvent(labelled(8));
    std::vector<IEvent*> events = queue.getAllEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(codeOf(events[0]), 7u);
    EXPECT_EQ(codeOf(events[1]), 8u);
    EXPECT_EQ(queue.getNumberOfEvents(), 0u);
    for (IEvent* event : events)
        delete event;
}

TEST(EventQueue, ClearAndDestructionFreeQueuedEvents) {
    // Under the leak checker an event not freed here fails the run.
    EventQueue queue;
    queue.pushEvent(labelled(1));
    queue.clear();
    EXPECT_EQ(queue.popEvent(), nullptr);
    queue.pushEvent(labelled(2));
    queue.pushEvent(nullptr);
    EXPECT_EQ(queue.getNumberOfEvents(), 1u);
}

TEST(EventQueue, ConcurrentPushAndPopLoseNothing) {
    EventQueue queue;
    constexpr unsigned int count = 2000;
    std::thread producer([&] {
        for (unsigned int code = 0; code < count; ++code)
            queue.pushEvent(labelled(code));
    });
    unsigned int expected = 0;
    while (expected < count) {
        std::unique_ptr<IEvent> event(queue.popEvent());
        if (!event)
            continue;
        ASSERT_EQ(codeOf(event.get()), expected);
        ++expected;
    }
    producer.join();
}

TEST(DiagnosticResult, CarriesCodeTypeParameterAndText) {
    DiagnosticResult result(DiagnosticResult::FAILED, 7, DiagnosticEvent::ERROR_EVENT, 0);
    result << "disk " << 3 << " failed";
    EXPECT_EQ(result.getTestResult(), 2);
    EXPECT_EQ(result.getEventCode(), 7u);
    EXPECT_EQ(result.getEventType(), 2);
    EXPECT_EQ(result.getEventParameter(), 0u);
    EXPECT_EQ(result.getEventString(), "disk 3 failed");
    EXPECT_EQ(result.getEventString(), "disk 3 failed");
    result << ".";
    EXPECT_EQ(result.getEventString(), "disk 3 failed.");

    DiagnosticResult plain;
    EXPECT_EQ(plain.getTestResult(), DiagnosticResult::PASSED);
    EXPECT_EQ(plain.getEventString(), "");
}

TEST(DEvent, SignalledBeforeWaitPassesAtOnce) {
    for (int one : {0, 1}) {
        DEvent gate;
        gate.signal(one);
        std::promise<void> passed;
        std::future<void> done = passed.get_future();
        std::thread waiter([&] {
            gate.wait();
            gate.wait(); // the gate stays open
            passed.set_value();
        });
        EXPECT_EQ(done.wait_for(std::chrono::seconds(5)), std::future_status::ready)
            << "a wait after signal(" << one << ") blocked";
        gate.signal(one); // frees a waiter held by mistake, so the test ends
        waiter.join();
    }
}

TEST(DEvent, ClosedGateHoldsWaitersUntilSignalled) {
    for (int one : {0, 1}) {
        DEvent gate;
        std::atomic<int> passed{0};
        std::vector<std::thread> waiters;
        for (int i = 0; i < 4; ++i)
            waiters.emplace_back([&] {
                gate.wait();
                ++passed;
            });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_EQ(passed, 0);
        gate.signal(one);
        for (auto& waiter : waiters)
            waiter.join();
        EXPECT_EQ(passed, 4) << "signal(" << one << ")";
    }
}

TEST(DMutex, ExcludesOtherThreads) {
    VarnDiags::System::DMutex mutex;
    long counter = 0;
    auto work = [&] {
        for (int i = 0; i < 10000; ++i) {
            mutex.lock();
            ++counter;
            mutex.unLock();
        }
    };
    std::thread other(work);
    work();
    other.join();
    EXPECT_EQ(counter, 20000);
}
