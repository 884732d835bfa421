// Deleting registry keys, registry values and SNMP extension agent
// registrations listed in the ini file.
#pragma once

#include "ini_reader.h"

#include <windows.h>

// "<root>\<key path>" per entry; with the recursive flag the key goes with
// everything below it, else only when it has no subkeys.
class DeleteRegistry : public INIReader {
public:
    explicit DeleteRegistry(bool recursive) : m_bRecursive(recursive) {}
    int action(std::ostream& log) override; // 1 when a key was deleted

private:
    bool deleteEntry(const std::string& entry, std::ostream& log) const;
    bool m_bRecursive;
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

// System error code of the delete (0 success).
LONG deleteRegistryKey(HKEY root, const std::string& keyPath, bool recursive);
// Deletes the subkeys deepest first, then the key; the open's own code when
// the key cannot be opened, so that a missing key (ERROR_FILE_NOT_FOUND) is
// told from a refused one.
LONG deleteRegistryKeyTree(HKEY root, const std::string& keyPath);
