// Deleting registry keys, registry values and SNMP extension agent
// registrations listed in the ini file.
#pragma once

#include "ini_reader.h"
#include "tree_removal.h"

#include <windows.h>

#include <functional>
#include <string>

// "<root>\<key path>" per entry, removed as `removal` says.
class DeleteRegistry : public INIReader {
public:
    explicit DeleteRegistry(TreeRemoval removal) : m_removal(removal) {}
    int action(std::ostream& log) override; // 1 when a key was deleted

private:
    bool deleteEntry(const std::string& entry, std::ostream& log) const;
    TreeRemoval m_removal;
};

// "<root>\<key path>:<value name>" per entry.
class DeleteRegValues : public INIReader {
public:
    int action(std::ostream& log) override; // 1 when a value was deleted

private:
    bool deleteEntry(const std::string& entry, std::ostream& log) const;
};

// The agent's configuration key path per entry, as the SNMP service's
// registration value holds it.
class SNMPExtensionAgents : public INIReader {
public:
    int action(std::ostream& log) override; // 1 when a registration was deleted

private:
    bool deleteEntry(const std::string& entry, std::ostream& log) const;
};

// Called with the path and code of each key below the deleted one that could
// not be deleted (a missing one is no failure), deepest first.
using KeyFailure = std::function<void(const std::string& keyPath, LONG code)>;

// System error code of the delete (0 success); removing the whole tree, each
// subkey that could not be deleted is handed to `onSubkeyFailure`.
LONG deleteRegistryKey(HKEY root, const std::string& keyPath, TreeRemoval removal,
                       const KeyFailure& onSubkeyFailure);
// Deletes the subkeys deepest first, then the key; the open's own code when
// the key cannot be opened, so that a missing key (ERROR_FILE_NOT_FOUND) is
// told from a refused one.
LONG deleteRegistryKeyTree(HKEY root, const std::string& keyPath,
                           const KeyFailure& onSubkeyFailure);
