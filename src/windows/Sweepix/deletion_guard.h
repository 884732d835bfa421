#pragma once

#include <string>

// Why a directory must not be deleted: a relative path (it would depend on
// the current directory), a drive root ("X:" is the root as much as "X:\"),
// or the Windows or system directory. Empty when it may be deleted.
std::string deletionRefusal(const std::string& path);
