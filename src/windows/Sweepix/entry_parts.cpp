#include "entry_parts.h"

#include <cctype>

const char* const kRegistryRootNames[kRegistryRootCount] = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_CONFIG", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE",
    "HKEY_USERS"};

ServiceEntry splitServiceEntry(const std::string& entry) {
    std::size_t semicolon = entry.find(';');
    if (semicolon == std::string::npos || semicolon == 0)
        return {entry, {}};
    return {entry.substr(0, semicolon), entry.substr(semicolon + 1)};
}

RegistryValueEntry splitRegistryValueEntry(const std::string& entry) {
    RegistryValueEntry parts;
    std::size_t backslash = entry.find('\\');
    if (backslash == std::string::npos) {
        parts.problem = RegistryValueEntry::Problem::NoRoot;
        return parts;
    }
    parts.rootKey = entry.substr(0, backslash);
    std::string rest = entry.substr(backslash + 1);
    std::size_t colon = rest.find(':');
    if (colon == std::string::npos || (colon != 0 && colon + 1 == rest.size())) {
        parts.problem = RegistryValueEntry::Problem::NoValue;
        return parts;
    }
    parts.regKey = rest.substr(0, colon);
    parts.regValue = rest.substr(colon + 1);
    return parts;
}

std::string splitArguments(std::string& regValue) {
    std::size_t colon = regValue.find(':', 1);
    if (regValue.empty() || colon == std::string::npos)
        return {};
    std::string arguments = regValue.substr(colon + 1);
    regValue.erase(colon);
    return arguments;
}

int registryRootIndex(const std::string& rootPart) {
    for (int i = 0; i < kRegistryRootCount; ++i) {
        if (rootPart.find(kRegistryRootNames[i]) != std::string::npos)
            return i;
    }
    return -1;
}

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}
