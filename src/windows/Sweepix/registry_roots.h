// The predefined registry root a root part names (see registryRootIndex).
#pragma once

#include <windows.h>

#include <string>

// Null when the root part names none of the five roots.
HKEY registryRoot(const std::string& rootPart);
