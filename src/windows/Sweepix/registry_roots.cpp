#include "registry_roots.h"

#include "entry_parts.h"

HKEY registryRoot(const std::string& rootPart) {
    static const HKEY kRoots[kRegistryRootCount] = {
        HKEY_CLASSES_ROOT, HKEY_CURRENT_CONFIG, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS};
    int index = registryRootIndex(rootPart);
    return index < 0 ? nullptr : kRoots[index];
}
