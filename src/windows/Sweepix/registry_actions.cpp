#include "registry_actions.h"

#include "action_report.h"
#include "entry_parts.h"
#include "registry_roots.h"
#include "trace.h"
#include "utility.h"

#include <vector>

namespace {

const char* const kExtensionAgentsKey =
    "SYSTEM\\CurrentControlSet\\Services\\SNMP\\Parameters\\ExtensionAgents";
// The SNMP service reads registrations named 0 to 25.
constexpr int kAgentSlots = 26;
// The longest registry key name has 255 characters.
constexpr DWORD kKeyNameChars = 256;

std::vector<std::string> subkeyNames(HKEY key) {
    std::vector<std::string> names;
    for (DWORD index = 0;; ++index) {
        char name[kKeyNameChars];
        DWORD length = kKeyNameChars;
        // Any answer but success ends the walk, so it always comes to an end.
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    return names;
}

bool hasSubkeys(HKEY root, const std::string& keyPath) {
    HKEY key;
    if (RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD subkeys = 0;
    bool known = RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr,
                                  nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return known && subkeys > 0;
}

void logUnknownRoot(const std::string& entry, std::ostream& log) {
    formatTrace("Could not find sRootKey. Skipping = %s\n", entry.c_str());
    log << "Registry root of " << entry << " is not known." << std::endl;
}

} // namespace

LONG deleteRegistryKeyTree(HKEY root, const std::string& keyPath,
                           const KeyFailure& onSubkeyFailure) {
    HKEY key;
    LONG opened = RegOpenKeyExA(root, keyPath.c_str(), 0, KEY_READ, &key);
    if (opened != ERROR_SUCCESS)
        return opened;
    std::vector<std::string> names = subkeyNames(key);
    RegCloseKey(key);
    for (auto name = names.rbegin(); name != names.rend(); ++name) {
        std::string subkey = keyPath + "\\" + *name;
        LONG code = deleteRegistryKeyTree(root, subkey, onSubkeyFailure);
        if (code != ERROR_SUCCESS && code != ERROR_FILE_NOT_FOUND && onSubkeyFailure)
            onSubkeyFailure(subkey, code);
    }
    return RegDeleteKeyA(root, keyPath.c_str());
}

LONG deleteRegistryKey(HKEY root, const std::string& keyPath, TreeRemoval removal,
                       const KeyFailure& onSubkeyFailure) {
    return removal == TreeRemoval::WholeTree ? deleteRegistryKeyTree(root, keyPath, onSubkeyFailure)
                                             : RegDeleteKeyA(root, keyPath.c_str());
}

int DeleteRegistry::action(std::ostream& log) {
    return forEachEntry(log, "DeleteRegistry::action( )\n", "Deleting registry keys",
                        [&](const std::string& entry) { return deleteEntry(entry, log); });
}

bool DeleteRegistry::deleteEntry(const std::string& entry, std::ostream& log) const {
    std::size_t backslash = entry.find('\\');
    if (backslash == std::string::npos) {
        formatTrace("SKIPPING Key = %s\n", entry.c_str());
        return false;
    }
    std::string rootKey = entry.substr(0, backslash);
    std::string regKey = entry.substr(backslash + 1);
    if (regKey.empty()) {
        formatTrace("sRegKey is Empty\n");
        return false;
    }
    formatTrace("sRootKey = %s\n", rootKey.c_str());
    formatTrace("sRegKey = %s\n", regKey.c_str());
    HKEY root = registryRoot(rootKey);
    if (!root) {
        logUnknownRoot(entry, log);
        return false;
    }
    // A key below that could not be deleted is reported before the entry:
    // its own failure is why the entry's key is not empty.
    auto reportKey = [&](const std::string& keyPath, LONG code) {
        log << keyDeletionLine(rootKey + "\\" + keyPath, code,
                               code != ERROR_SUCCESS && hasSubkeys(root, keyPath))
            << std::endl;
    };
    LONG code = deleteRegistryKey(root, regKey, m_removal, reportKey);
    reportKey(regKey, code);
    formatTrace("Return code from RegDeleteKey = %d\n", static_cast<int>(code));
    return code == ERROR_SUCCESS;
}

int DeleteRegValues::action(std::ostream& log) {
    return forEachEntry(log, "DeleteRegValues::action( )\n", "Deleting registry values",
                        [&](const std::string& entry) { return deleteEntry(entry, log); });
}

bool DeleteRegValues::deleteEntry(const std::string& entry, std::ostream& log) const {
    RegistryValueEntry parts;
    if (!splitValueEntryTraced(entry, "SKIPPING Key = %s\n", parts))
        return false;
    formatTrace("sRootKey = %s\n", parts.rootKey.c_str());
    formatTrace("sRegKey = %s\n", parts.regKey.c_str());
    formatTrace("sRegValue = %s\n", parts.regValue.c_str());
    HKEY root = registryRoot(parts.rootKey);
    if (!root) {
        logUnknownRoot(entry, log);
        return false;
    }
    LONG code = deleteRegistryValueCode(root, parts.regKey, parts.regValue);
    log << valueDeletionLine(parts.regValue, parts.rootKey + "\\" + parts.regKey, code)
        << std::endl;
    formatTrace("Return code from RegDeleteKey = %d\n", code == ERROR_SUCCESS ? 0 : -1);
    return code == ERROR_SUCCESS;
}

int SNMPExtensionAgents::action(std::ostream& log) {
    return forEachEntry(log, "SNMPExtensionAgents::action( )\n", "Deleting SNMP ExtensionAgents",
                        [&](const std::string& entry) { return deleteEntry(entry, log); });
}

bool SNMPExtensionAgents::deleteEntry(const std::string& entry, std::ostream& log) const {
    if (entry.find('\\') == std::string::npos) {
        formatTrace("SKIPPING Key = %s\n", entry.c_str());
        return false;
    }
    std::string found;
    LONG code = ERROR_SUCCESS;
    for (int slot = 0; slot < kAgentSlots; ++slot) {
        std::string name = std::to_string(slot);
        std::string agent = GetValueFromRegistry(HKEY_LOCAL_MACHINE, kExtensionAgentsKey, name);
        if (agent.empty() || !equalsIgnoringCase(agent, entry))
            continue;
        found = name;
        code = deleteRegistryValueCode(HKEY_LOCAL_MACHINE, kExtensionAgentsKey, name);
        break;
    }
    log << agentDeletionLine(entry, found, code) << std::endl;
    formatTrace("Return code from RegDeleteKey = %d\n", code == ERROR_SUCCESS ? 0 : -1);
    return !found.empty() && code == ERROR_SUCCESS;
}
