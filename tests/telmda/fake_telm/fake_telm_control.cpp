#include "fake_telm.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>

namespace fake_telm {
namespace {

struct Answer {
    std::string text;
    int result = 0;
};

struct State {
    std::mutex mutex;
    std::condition_variable changed;
    std::map<std::pair<int, int>, Answer> objects;
    std::string commandOutput;
    std::vector<std::string> calls;
    int loads = 0, unloads = 0, waiting = 0;
    bool hold = false;
};

State& state() {
    static State s;
    return s;
}

void copyOut(const std::string& text, char* out, int outLength) {
    const std::size_t n =
        std::min<std::size_t>(text.size() + 1, static_cast<std::size_t>(outLength));
    std::memcpy(out, text.c_str(), n); // like the card: the payload only, no terminator added
}

// Records a call and waits while calls are held.
void enter(std::unique_lock<std::mutex>& lock, std::string call) {
    State& s = state();
    s.calls.push_back(std::move(call));
    ++s.waiting;
    s.changed.notify_all();
    s.changed.wait(lock, [&] { return !s.hold; });
    --s.waiting;
}

} // namespace

void reset() {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.objects.clear();
    s.commandOutput.clear();
    s.calls.clear();
    s.loads = s.unloads = 0;
    s.hold = false;
}

void setObject(int group, int object, const std::string& text, int result) {
    std::lock_guard<std::mutex> lock(state().mutex);
    state().objects[{group, object}] = {text, result};
}

void setCommandOutput(const std::string& text) {
    std::lock_guard<std::mutex> lock(state().mutex);
    state().commandOutput = text;
}

std::vector<std::string> calls() {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().calls;
}

int loads() {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().loads;
}

int unloads() {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().unloads;
}

void holdCalls(bool hold) {
    std::lock_guard<std::mutex> lock(state().mutex);
    state().hold = hold;
    state().changed.notify_all();
}

bool waitForHeldCall() {
    std::unique_lock<std::mutex> lock(state().mutex);
    return state().changed.wait_for(lock, std::chrono::seconds(10),
                                    [] { return state().waiting > 0; });
}

void noteLoad() {
    std::lock_guard<std::mutex> lock(state().mutex);
    ++state().loads;
}

void noteUnload() {
    std::lock_guard<std::mutex> lock(state().mutex);
    ++state().unloads;
}

int objIdGet(int type, int group, int object, int index, char* out, int outLength) {
    std::unique_lock<std::mutex> lock(state().mutex);
    enter(lock, "get " + std::to_string(type) + " " + std::to_string(group) + " " +
                    std::to_string(object) + " " + std::to_string(index) + " " +
                    std::to_string(outLength));
    auto it = state().objects.find({group, object});
    if (it == state().objects.end())
        return -1;
    if (it->second.result == 0)
        copyOut(it->second.text, out, outLength);
    return it->second.result;
}

int objName(int type, const char* command, char* out, int outLength) {
    std::unique_lock<std::mutex> lock(state().mutex);
    enter(lock, "name " + std::to_string(type) + " " + command + " " + std::to_string(outLength));
    copyOut(state().commandOutput, out, outLength);
    return 0;
}

} // namespace fake_telm
