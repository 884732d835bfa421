// The predefined registry root a root part names (see registryRootIndex).
#pragma once

#include "entry_parts.h"

#include <windows.h>

#include <string>

// Null when the root part names none of the five roots.
HKEY registryRoot(const std::string& rootPart);

// Splits "<root>\<key>:<value>", tracing why an entry is skipped (`noRootTrace`
// for one without "\"); false then.
bool splitValueEntryTraced(const std::string& entry, const char* noRootTrace,
                           RegistryValueEntry& parts);
