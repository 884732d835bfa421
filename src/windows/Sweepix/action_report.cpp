#include "action_report.h"

namespace {

// The system's "file not found" and "path not found": nothing to delete.
bool isAbsent(long code) {
    return code == 2 || code == 3;
}

std::string couldNotDelete(const std::string& what, long code) {
    return what + " could not be deleted (error " + std::to_string(code) + ").";
}

} // namespace

std::string keyDeletionLine(const std::string& key, long code, bool hasSubkeys) {
    if (code == 0)
        return "Successfully deleted " + key;
    if (isAbsent(code))
        return "Registry " + key + " has already been removed.";
    if (hasSubkeys)
        return "Registry " + key + " is not empty.";
    return couldNotDelete("Registry " + key, code);
}

std::string valueDeletionLine(const std::string& value, const std::string& key, long code) {
    if (code == 0)
        return "Successfully deleted value " + value + " under registry " + key;
    if (isAbsent(code))
        return "Value " + value + " under registry " + key + " has already been removed.";
    return couldNotDelete("Value " + value + " under registry " + key, code);
}

std::string agentDeletionLine(const std::string& agent, const std::string& slot, long code) {
    if (!slot.empty() && code == 0)
        return "Successfully deleted SNMP extension agent " + agent + " with key name " + slot;
    if (slot.empty() || isAbsent(code))
        return "SNMP extension agent " + agent + " does not exist.";
    return couldNotDelete("SNMP extension agent " + agent, code);
}

std::string startFailureLine(const std::string& commandLine, unsigned long code) {
    return "Could not start " + commandLine + " (error " + std::to_string(code) + ").";
}
