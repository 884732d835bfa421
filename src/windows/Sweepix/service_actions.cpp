#include "service_actions.h"

#include "entry_parts.h"
#include "service_control.h"
#include "trace.h"

namespace {

using ServiceFunction = short (*)(const std::string&, const std::string&);

// One service operation per entry, logged as "<name> rc = <result>".
struct ServiceStep {
    const char* beforeTrace;
    const char* afterTrace;
    ServiceFunction operation;
};

constexpr ServiceStep kStop = {"Stopping service with name = %s and description = %s\n",
                               "StopService return code = %d\n", StopService};
constexpr ServiceStep kRemove = {"Removing service with name = %s and description = %s\n",
                                 "RemoveService return code = %d\n", RemoveService};

short runServiceStep(const ServiceStep& step, const std::string& entry, std::ostream& log) {
    ServiceEntry service = splitServiceEntry(entry);
    formatTrace(step.beforeTrace, service.name.c_str(), service.description.c_str());
    short result = step.operation(service.name, service.description);
    log << service.name << " rc = " << result << std::endl;
    formatTrace(step.afterTrace, result);
    return result;
}

} // namespace

int StopServices::action(std::ostream& log) {
    forEachEntry(log, "StopServices::action( )\n",
                 m_list == ServiceList::Dependent ? "Stopping dependent services"
                                                  : "Stopping single services",
                 [&](const std::string& entry) {
                     runServiceStep(kStop, entry, log);
                     return false;
                 });
    return 0;
}

int DeleteServices::action(std::ostream& log) {
    return forEachEntry(
        log, "DeleteServices::action( )\n", "Removing services",
        [&](const std::string& entry) { return runServiceStep(kRemove, entry, log) == 1; });
}
