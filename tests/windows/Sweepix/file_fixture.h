// Files and directories for the utility tests, in a fresh temporary directory.
#pragma once

#include "child_process.h"

#include <windows.h>

#include <fstream>
#include <string>

inline void writeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The Unix path wine maps a Windows path to.
std::string unixPath(const std::string& windowsPath);

// A Unix symbolic link at `link` (Windows path) to `target` (Windows path),
// made with the host's ln: wine shows it as a directory link (a reparse point).
bool makeUnixLink(const std::string& target, const std::string& link);
void removeUnixLink(const std::string& link);
