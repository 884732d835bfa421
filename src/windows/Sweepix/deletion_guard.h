#pragma once

#include <string>

// Why a directory must not be deleted: a relative path (it would depend on
// the current directory), the root of any volume or share, the Windows or
// system directory, or a path (or its volume's root) that cannot be opened
// for a reason other than its absence. Directories are compared by what the
// path opens (volume and file index) with the root of its own volume or share
// and with the protected directories, so every way of naming them counts:
// "\\?\" and "\\.\" prefixes, "." and "..", administrative shares of this
// machine, short names, links in any component. Empty when the directory may
// be deleted.
std::string deletionRefusal(const std::string& path);
