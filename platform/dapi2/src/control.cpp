// In-process control of the host for tests.
#include "dapi2_control.h"

#include "callbacks.h"
#include "host_state.h"
#include "interrupt.h"

using namespace dapi2;

namespace dapi2_control {
namespace {

// A copy of one field of the host state, taken under its lock.
template <typename T> T copyOf(T HostState::*field) {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    return s.*field;
}

} // namespace

void reset() {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.offered.clear();
    s.created.clear();
    s.creations = 0;
    s.injections = Injections{};
    s.stopRules = StopRules{};
    beginRun(s);
    s.threadLabels.clear();
    s.transcript.clear();
    s.transcriptFile.reset();
    s.environmentError.clear();
    clearInterrupted();
}

void setInjections(const Injections& injections) {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.injections = injections;
}

void setStopRules(const StopRules& rules) {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.stopRules = rules;
}

void requestStop() {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.stopRequested = true;
}

int invokeEnumerate() {
    int result = -1;
    return callEnumerate(nullptr, result) ? result : -1;
}

int invokeRun(int testNumber, int deviceIndex) {
    HostState& s = state();
    tag_DapiDiagDevice* device = nullptr;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.injections.nullDevice && deviceIndex >= 0 &&
            static_cast<size_t>(deviceIndex) < s.offered.size()) {
            device = s.offered[deviceIndex];
        }
    }
    int result = -1;
    return callRun(nullptr, testNumber, device, result) ? result : -1;
}

std::vector<Device> devices() {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::vector<Device> out;
    for (const tag_DapiDiagDevice* device : s.offered) {
        Device d = device->record;
        for (const tag_DapiFruAdditionalInfo& item : device->fru.items) {
            d.info.push_back(item.entry);
        }
        out.push_back(std::move(d));
    }
    return out;
}

std::vector<std::string> transcript() {
    return copyOf(&HostState::transcript);
}
std::vector<int> percents() {
    return copyOf(&HostState::percents);
}
std::vector<Report> warnings() {
    return copyOf(&HostState::warnings);
}
std::vector<Report> errors() {
    return copyOf(&HostState::errors);
}
int stopPolls() {
    return copyOf(&HostState::polls);
}

} // namespace dapi2_control
