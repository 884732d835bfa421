#include "service_control.h"

#include "sleeper.h"

#include <windows.h>

namespace {

constexpr DWORD kDependentsBytes = 2304;
constexpr int kRunningPolls = 15;
constexpr int kStopPendingPolls = 120;
constexpr DWORD kPollMs = 1000;

class ServiceHandle {
public:
    explicit ServiceHandle(SC_HANDLE handle = nullptr) : handle_(handle) {}
    ~ServiceHandle() {
        if (handle_)
            CloseServiceHandle(handle_);
    }
    ServiceHandle(const ServiceHandle&) = delete;
    ServiceHandle& operator=(const ServiceHandle&) = delete;
    SC_HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

private:
    SC_HANDLE handle_;
};

SC_HANDLE openManager() {
    return OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
}

// By key name, else taken as a display name.
SC_HANDLE openService(SC_HANDLE manager, const std::string& name) {
    SC_HANDLE service = OpenServiceA(manager, name.c_str(), SERVICE_ALL_ACCESS);
    if (service)
        return service;
    char keyName[260];
    DWORD size = sizeof keyName;
    if (!GetServiceKeyNameA(manager, name.c_str(), keyName, &size) || keyName[0] == '\0')
        return nullptr;
    return OpenServiceA(manager, keyName, SERVICE_ALL_ACCESS);
}

bool queryState(SC_HANDLE service, DWORD& state) {
    SERVICE_STATUS status;
    if (!QueryServiceStatus(service, &status))
        return false;
    state = status.dwCurrentState;
    return true;
}

// Polls while the service stays in `state`, at most `polls` times.
void waitWhile(SC_HANDLE service, DWORD state, int polls, DWORD& last) {
    for (int i = 0; i < polls; ++i) {
        if (!queryState(service, last) || last != state)
            return;
        sleepFor(kPollMs);
    }
    queryState(service, last);
}

// Stops the active dependents first; false when they could not be listed.
bool stopDependents(SC_HANDLE service) {
    alignas(ENUM_SERVICE_STATUSA) unsigned char buffer[kDependentsBytes];
    auto* dependents = reinterpret_cast<ENUM_SERVICE_STATUSA*>(buffer);
    DWORD needed = 0, count = 0;
    if (!EnumDependentServicesA(service, SERVICE_ACTIVE, dependents, sizeof buffer, &needed,
                                &count))
        return false;
    for (DWORD i = 0; i < count; ++i)
        StopService(dependents[i].lpServiceName, dependents[i].lpDisplayName);
    return true;
}

} // namespace

short StopService(const std::string& name, const std::string&) {
    ServiceHandle manager(openManager());
    if (!manager)
        return 0;
    ServiceHandle service(openService(manager.get(), name));
    if (!service || !stopDependents(service.get()))
        return 0;
    DWORD state = 0;
    if (!queryState(service.get(), state))
        return 0;
    if (state == SERVICE_RUNNING) {
        SERVICE_STATUS status;
        if (!ControlService(service.get(), SERVICE_CONTROL_STOP, &status))
            return GetLastError() == ERROR_SERVICE_NOT_ACTIVE ? 1 : 0;
        waitWhile(service.get(), SERVICE_RUNNING, kRunningPolls, state);
        waitWhile(service.get(), SERVICE_STOP_PENDING, kStopPendingPolls, state);
    }
    return state == SERVICE_STOPPED ? 1 : 0;
}

short RemoveService(const std::string& name, const std::string&) {
    ServiceHandle manager(openManager());
    if (!manager)
        return 0;
    ServiceHandle service(openService(manager.get(), name));
    if (!service)
        return 0;
    if (DeleteService(service.get()))
        return 1;
    return GetLastError() == ERROR_SERVICE_MARKED_FOR_DELETE ? 1 : 0;
}
