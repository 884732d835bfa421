#include "callbacks.h"

#include "host_state.h"

namespace dapi2 {
namespace {

// The structure whose callbacks apply (caller holds the mutex); null when none is alive.
tag_DapiRegistration* effective(const HostState& s, tag_DapiRegistration* reg) {
    if (reg) {
        return knownRegistration(s, reg) ? reg : nullptr;
    }
    return s.registrations.empty() ? nullptr : s.registrations.back();
}

} // namespace

bool callEnumerate(tag_DapiRegistration* reg, int& result) {
    HostState& s = state();
    Dapi2EnumerateCallback fn = nullptr;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (tag_DapiRegistration* r = effective(s, reg)) {
            fn = r->enumerate;
        }
        if (!fn) {
            record(s, "no enumerate callback");
            return false;
        }
        for (tag_DapiDiagDevice* device : s.offered) {
            device->offered = false;
        }
        s.offered.clear();
        record(s, "call enumerate()");
    }
    result = fn();
    std::lock_guard<std::mutex> lock(s.mutex);
    record(s, "return enumerate() = " + std::to_string(result));
    return true;
}

bool callRun(tag_DapiRegistration* reg, int testNumber, tag_DapiDiagDevice* device, int& result) {
    HostState& s = state();
    Dapi2RunCallback fn = nullptr;
    std::string args;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        args = std::to_string(testNumber) + ", " + (device ? device->name : "NULL");
        if (tag_DapiRegistration* r = effective(s, reg)) {
            fn = r->run;
        }
        if (!fn) {
            record(s, "no run callback");
            return false;
        }
        beginRun(s);
        record(s, "call run(" + args + ")");
    }
    result = fn(testNumber, device);
    std::lock_guard<std::mutex> lock(s.mutex);
    record(s, "return run(" + args + ") = " + std::to_string(result));
    return true;
}

} // namespace dapi2
