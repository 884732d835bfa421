#include "registry_roots.h"

#include "trace.h"

HKEY registryRoot(const std::string& rootPart) {
    static const HKEY kRoots[kRegistryRootCount] = {
        HKEY_CLASSES_ROOT, HKEY_CURRENT_CONFIG, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS};
    int index = registryRootIndex(rootPart);
    return index < 0 ? nullptr : kRoots[index];
}

bool splitValueEntryTraced(const std::string& entry, const char* noRootTrace,
                           RegistryValueEntry& parts) {
    parts = splitRegistryValueEntry(entry);
    switch (parts.problem) {
    case RegistryValueEntry::Problem::NoRoot:
        formatTrace(noRootTrace, entry.c_str());
        return false;
    case RegistryValueEntry::Problem::NoValue:
        formatTrace("Could not find string value. Skipping = %s\n", entry.c_str());
        return false;
    default:
        return true;
    }
}
