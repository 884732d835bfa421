// Event-and-task requests (FIB 700). Replies: word 0 status, word 1 reply
// state (1 done, 4 no such task, 5 already ended, 6 already suspended,
// 7 already running), records from payload byte 8; Size counts from the
// start of the FIB.
#include "CoreHandlers.h"

#include <cstring>

namespace qorsim {

namespace {

constexpr std::uint32_t kRunning = 102;
constexpr std::uint32_t kSuspended = 101;
constexpr std::uint32_t kAborted = 3;
constexpr std::size_t kRecords = kFibHeader + 8;

bool isDeviceJob(std::uint32_t job) {
    return job >= 2 && job <= 5;
}

void putReport(std::uint8_t* at, const Task& t) {
    const std::uint32_t w[9] = {t.id,    t.jobCode, t.objectId, 0,      t.status,
                                t.total, t.current, t.word7,    t.word8};
    std::memcpy(at, w, sizeof w);
}

void reply(FibRequest& r, std::uint32_t state, std::size_t recordBytes = 0) {
    r.setWord(0, 0);
    r.setWord(1, state);
    r.setReplySize(static_cast<std::uint16_t>(kRecords + recordBytes));
}

// Requests 101 and 102: progress reports of one object's running tasks.
void listObject(FibRequest& r, bool devices) {
    const std::uint32_t object = r.word(1);
    std::size_t n = 0;
    for (const Task& t : r.adapter.tasks) {
        if (t.ended() || t.objectId != object || isDeviceJob(t.jobCode) != devices)
            continue;
        if (kRecords + 36 * (n + 1) > kFibBytes)
            break;
        putReport(r.fib + kRecords + 36 * n++, t);
    }
    reply(r, 1, 36 * n);
}

// Requests 104..106: one state change of a task.
void control(FibRequest& r, std::uint32_t from, std::uint32_t to, std::uint32_t alreadyState) {
    Task* t = r.adapter.findTask(r.word(1));
    if (!t)
        return reply(r, 4);
    if (t->ended())
        return reply(r, 5);
    if (from && t->status != from)
        return reply(r, alreadyState);
    t->status = to;
    reply(r, 1);
    r.sim.sendJobProgress(r.adapter, {t});
}

} // namespace

void registerTaskRequests(Simulator& sim) {
    sim.registerAifRequest(100, [](FibRequest& r) {
        std::size_t n = 0;
        for (const Task& t : r.adapter.tasks) {
            if (t.ended())
                continue;
            if (kRecords + 16 * (n + 1) > kFibBytes)
                break;
            const std::uint32_t w[4] = {t.id, t.jobCode, t.objectId, 0};
            std::memcpy(r.fib + kRecords + 16 * n++, w, sizeof w);
        }
        reply(r, 1, 16 * n);
    });
    sim.registerAifRequest(101, [](FibRequest& r) { listObject(r, false); });
    sim.registerAifRequest(102, [](FibRequest& r) { listObject(r, true); });
    sim.registerAifRequest(103, [](FibRequest& r) {
        const Task* t = r.adapter.findTask(r.word(1));
        if (!t)
            return reply(r, 4);
        putReport(r.fib + kRecords, *t);
        reply(r, t->ended() ? 5 : 1, 36);
    });
    sim.registerAifRequest(104, [](FibRequest& r) {
        const Task* t = r.adapter.findTask(r.word(1));
        if (t && !t->ended() && t->ignoresTerminate)
            return reply(r, 1);
        control(r, 0, kAborted, 0);
    });
    sim.registerAifRequest(105, [](FibRequest& r) { control(r, kRunning, kSuspended, 6); });
    sim.registerAifRequest(106, [](FibRequest& r) { control(r, kSuspended, kRunning, 7); });
    sim.registerAifRequest(107, [](FibRequest& r) { // broadcast to the other clients
        std::uint8_t aif[kFibBytes] = {};
        put16(aif, kSize, kFibHeader + 12 + 320);
        put32(aif, kFibHeader, 3);
        put32(aif, kFibHeader + 8, r.word(1));
        std::memcpy(aif + kFibHeader + 12, r.fib + kFibHeader + 8, 60);
        r.sim.queueAif(r.adapter.index, aif, r.fd);
        reply(r, 1);
    });
    sim.registerAifRequest(108, [](FibRequest& r) { // start an application job
        Task t;
        t.id = r.adapter.nextTaskId++;
        t.jobCode = r.word(3);
        t.objectId = r.word(4);
        t.total = r.word(6) ? r.word(6) : 1000;
        r.adapter.tasks.push_back(t);
        reply(r, 1);
        r.setWord(2, t.id);
    });
    sim.registerAifRequest(109, [](FibRequest& r) { // update an application job
        Task* t = r.adapter.findTask(r.word(1));
        if (!t || t->ended())
            return reply(r, 4);
        t->current = std::min(r.word(2), t->total);
        reply(r, 1);
        r.setWord(2, 0);
        r.sim.sendJobProgress(r.adapter, {t});
    });
    sim.registerAifRequest(110, [](FibRequest& r) { // finish an application job
        Task* t = r.adapter.findTask(r.word(1));
        if (!t || t->ended())
            return reply(r, 4);
        t->status = r.word(2) <= 99 ? r.word(2) : 1;
        reply(r, 1);
        r.sim.sendJobProgress(r.adapter, {t});
    });
}

} // namespace qorsim
