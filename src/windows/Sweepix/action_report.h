// Log lines of the actions that depend on the system's answer: registry
// deletes and uninstaller starts.
#pragma once

#include <string>

// A key: 0 deleted; "not found" (at the open or the delete) already removed;
// a failure of a key that still has subkeys not empty; any other failure with
// its code.
std::string keyDeletionLine(const std::string& key, long code, bool hasSubkeys);
// A value named `value` under `key`, likewise (a value has no subkeys).
std::string valueDeletionLine(const std::string& value, const std::string& key, long code);
// An SNMP extension agent registered under the value `slot`; a `code` of 0
// with an empty slot means no registration matched.
std::string agentDeletionLine(const std::string& agent, const std::string& slot, long code);
// An uninstaller that could not be started.
std::string startFailureLine(const std::string& commandLine, unsigned long code);
