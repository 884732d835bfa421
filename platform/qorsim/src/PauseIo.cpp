// PAUSE_IO and RELEASE_IO: the controller holds its I/O for the pause time
// and resumes by itself when the time runs out, announcing both with the
// "paused" and "resumed" adapter events.
//
// JSON, per adapter: "io": {"pauseReply": CT, "releaseReply": CT,
// "secondMs": MS, "latePausedEvent": BOOL}.
#include "CoreHandlers.h"

#include "configfile/config_node.h"

namespace qorsim {

namespace {

constexpr std::uint32_t kPauseIo = 65;
constexpr std::uint32_t kReleaseIo = 66;
constexpr std::uint32_t kFailAlreadyPaused = 172;
constexpr std::uint32_t kPauseSuccess = 173;
constexpr std::uint32_t kReleaseNotPaused = 174;
constexpr std::uint32_t kReleaseSuccess = 175;
constexpr std::uint32_t kLongestPause = 150;
constexpr std::uint32_t kPausedEvent = 9;
constexpr std::uint32_t kResumedEvent = 10;

void readIo(const standin_config::Node& j, Adapter& a) {
    a.io.pauseReply = j.value("pauseReply", a.io.pauseReply);
    a.io.releaseReply = j.value("releaseReply", a.io.releaseReply);
    a.io.secondMs = j.value("secondMs", a.io.secondMs);
    a.io.latePausedEvent = j.value("latePausedEvent", a.io.latePausedEvent);
}

void resume(Simulator& sim, Adapter& a) {
    a.paused = false;
    ++a.io.generation; // the running pause's timer has nothing left to do
    sim.notify(a.index, {kResumedEvent});
}

void pauseIo(CtRequest& c) {
    Adapter& a = c.adapter;
    const std::uint32_t seconds = c.param[0];
    if (a.io.pauseReply) {
        c.reply[0] = a.io.pauseReply;
        return;
    }
    if (a.paused || seconds == 0 || seconds > kLongestPause) {
        c.reply[0] = kFailAlreadyPaused;
        return;
    }
    a.paused = true;
    const std::uint64_t generation = ++a.io.generation;
    if (!a.io.latePausedEvent)
        c.sim.notify(a.index, {kPausedEvent});
    Simulator& sim = c.sim;
    sim.addTimer(a.index, seconds * a.io.secondMs, [&sim, generation](Adapter& timed) {
        if (timed.paused && timed.io.generation == generation)
            resume(sim, timed);
    });
    c.reply[0] = kPauseSuccess;
}

void releaseIo(CtRequest& c) {
    Adapter& a = c.adapter;
    if (a.io.releaseReply) {
        c.reply[0] = a.io.releaseReply;
        return;
    }
    if (!a.paused) {
        c.reply[0] = kReleaseNotPaused;
        return;
    }
    resume(c.sim, a);
    if (a.io.latePausedEvent)
        c.sim.notify(a.index, {kPausedEvent});
    c.reply[0] = kReleaseSuccess;
}

} // namespace

void registerPauseIo(Simulator& sim) {
    sim.registerSection("io", readIo);
    sim.registerContainer(kPauseIo, pauseIo);
    sim.registerContainer(kReleaseIo, releaseIo);
}

} // namespace qorsim
