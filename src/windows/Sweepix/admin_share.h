// The drive and share parts of paths: the root a path names, and the local
// form of paths that reach this machine's own drives through its
// administrative shares.
#pragma once

#include <string>
#include <vector>

inline bool isSeparator(char c) {
    return c == '\\' || c == '/';
}

inline bool isDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The local form of a path naming an administrative share of this machine:
// "\\host\C$\dir" (also behind "\\?\UNC\" or "\\.\UNC\") is "C:\dir", and
// "\\host\ADMIN$\dir" is `windowsDirectory` + "\dir", where `host` is one of
// `localNames` (ignoring case) or a loopback address. Empty for every other
// path. Either separator is accepted.
std::string localFormOfAdminShare(const std::string& path,
                                  const std::vector<std::string>& localNames,
                                  const std::string& windowsDirectory);

// The root of the drive or share a full path begins with, with its separator:
// "X:\\" for "X:..." and "\\\\server\\share\\" for "\\\\server\\share...", keeping a
// "\\\\?\\" or "\\\\.\\" prefix (and its "UNC\\"). Empty when it begins with neither.
std::string rootByName(const std::string& path);
