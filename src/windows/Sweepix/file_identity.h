// What a path opens, told apart by the file system rather than by its name.
#pragma once

#include <windows.h>

#include <string>

struct FileIdentity {
    DWORD volumeSerial = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    bool operator==(const FileIdentity& other) const {
        return volumeSerial == other.volumeSerial && indexHigh == other.indexHigh &&
               indexLow == other.indexLow;
    }
};

// The volume serial number and file index of the file or directory `path`
// opens, following links in every component. False with the system's error
// code in `error` when it cannot be opened.
bool identityOf(const std::string& path, FileIdentity& identity, DWORD& error);

// Whether `error` says the path names nothing. Any other failure to open it
// (a path too long for the system, access denied) leaves it possibly there.
bool isAbsence(DWORD error);
