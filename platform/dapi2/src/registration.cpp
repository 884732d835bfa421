// Registration structures: the module's callbacks, and the interface version it announces.
#include "host_state.h"

#include <algorithm>

using namespace dapi2;

namespace {

std::string nameOf(const HostState& s, const tag_DapiRegistration* reg) {
    if (!reg) {
        return "NULL";
    }
    return knownRegistration(s, reg) ? "reg" + std::to_string(reg->serial) : "unknown";
}

} // namespace

extern "C" tag_DapiRegistration* Dapi2_CreateRegistrationStructure(void) {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    tag_DapiRegistration* reg = nullptr;
    if (!s.injections.failRegistration) {
        reg = new tag_DapiRegistration;
        reg->serial = ++s.registrationSerial;
        s.registrations.push_back(reg);
    }
    record(s, "Dapi2_CreateRegistrationStructure() = " + nameOf(s, reg));
    return reg;
}

extern "C" int Dapi2_AddRegistrationStructureCallback(tag_DapiRegistration* reg, int kind,
                                                      Dapi2Callback fn) {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    int result = -1;
    if (knownRegistration(s, reg) && fn) {
        // Each kind is called back with its own type, the one it was registered as.
        if (kind == DAPI2_CALLBACK_ENUMERATE) {
            reg->enumerate = reinterpret_cast<Dapi2EnumerateCallback>(fn);
            result = 0;
        } else if (kind == DAPI2_CALLBACK_RUN) {
            reg->run = reinterpret_cast<Dapi2RunCallback>(fn);
            result = 0;
        }
    }
    record(s, "Dapi2_AddRegistrationStructureCallback(" + nameOf(s, reg) + ", " +
                  std::to_string(kind) + ", " + (fn ? "fn" : "NULL") +
                  ") = " + std::to_string(result));
    return result;
}

extern "C" void Dapi2_FreeRegistrationStructure(tag_DapiRegistration* reg) {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    record(s, "Dapi2_FreeRegistrationStructure(" + nameOf(s, reg) + ")");
    // A null or foreign pointer is left alone rather than freed.
    if (knownRegistration(s, reg)) {
        s.registrations.erase(std::find(s.registrations.begin(), s.registrations.end(), reg));
        delete reg;
    }
}

extern "C" int Dapi2_Version(int major, int minor, int patch) {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    const int result = major == 1 ? 0 : -1;
    record(s, "Dapi2_Version(" + std::to_string(major) + ", " + std::to_string(minor) + ", " +
                  std::to_string(patch) + ") = " + std::to_string(result));
    return result;
}
