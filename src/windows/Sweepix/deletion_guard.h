#pragma once

#include <string>

// Why a directory must not be deleted: a relative path (it would depend on
// the current directory), a drive or share root, the Windows or system
// directory, or a path that cannot be opened for a reason other than its
// absence. Directories are compared by what the path opens (volume and file
// index), so every way of naming them counts: "\\?\" and "\\.\" prefixes,
// administrative shares of this machine, short names, links in any
// component. Empty when the directory may be deleted.
std::string deletionRefusal(const std::string& path);
