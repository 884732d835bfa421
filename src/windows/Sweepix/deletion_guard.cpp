#include "deletion_guard.h"

#include "admin_share.h"
#include "file_identity.h"
#include "proc_address.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace {

// "\\server\share" with nothing or only a separator after it.
bool isShareRoot(const std::string& path) {
    std::size_t server = path.find_first_of("\\/", 2);
    if (server == std::string::npos)
        return true;
    std::size_t share = path.find_first_of("\\/", server + 1);
    return share == std::string::npos || share + 1 == path.size();
}

// The directory whose entries a deletion of `path` lists: "X:" lists the
// root, and "\\.\X:" names the volume while "\\.\X:\" is its root.
std::string listedDirectory(const std::string& path) {
    return isSeparator(path.back()) ? path : path + "\\";
}

// A directory the system cannot do without, by what it opens.
struct Protected {
    const char* reason;
    FileIdentity identity;
};

using DirectoryFn = UINT(WINAPI*)(LPSTR, UINT);
// GetVolumePathNameA, which Windows NT 4.0 lacks.
using VolumePathFn = BOOL(WINAPI*)(LPCSTR, LPSTR, DWORD);
// The name formats of GetComputerNameExA, which Windows NT 4.0 lacks.
using ComputerNameExFn = BOOL(WINAPI*)(int, LPSTR, LPDWORD);
const int kDnsHostname = 1;
const int kDnsFullyQualified = 3;

std::string directoryFrom(DirectoryFn query) {
    char buffer[MAX_PATH];
    UINT length = query ? query(buffer, MAX_PATH) : 0;
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : std::string();
}

void addProtected(std::vector<Protected>& places, const char* reason, const std::string& path) {
    FileIdentity identity;
    DWORD error;
    if (!path.empty() && identityOf(listedDirectory(path), identity, error))
        places.push_back({reason, identity});
}

// The Windows and system directories, also the shared Windows directory of a
// terminal server and the 32-bit system directory of a 64-bit system where
// the system has them, and the root of every local disk (which a link on
// another volume may lead to).
std::vector<Protected> protectedPlaces() {
    HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
    std::vector<Protected> places;
    addProtected(places, "Windows directory", directoryFrom(GetWindowsDirectoryA));
    addProtected(
        places, "Windows directory",
        directoryFrom(kor::procAddress<DirectoryFn>(kernel32, "GetSystemWindowsDirectoryA")));
    addProtected(places, "system directory", directoryFrom(GetSystemDirectoryA));
    addProtected(
        places, "system directory",
        directoryFrom(kor::procAddress<DirectoryFn>(kernel32, "GetSystemWow64DirectoryA")));
    // An empty drive must not bring up the system's "insert a disk" box.
    UINT previousMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    DWORD drives = GetLogicalDrives();
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if ((drives & (1u << (letter - 'A'))) == 0)
            continue;
        std::string root = std::string(1, letter) + ":\\";
        UINT type = GetDriveTypeA(root.c_str());
        // Disks only: a floppy or a disc would be spun up at every delete. A
        // path on one of those, or on a network drive, is compared with its
        // own volume's root instead (see isRootOfItsVolume).
        if (type == DRIVE_FIXED || type == DRIVE_RAMDISK)
            addProtected(places, "drive root", root);
    }
    SetErrorMode(previousMode);
    return places;
}

std::string computerName(ComputerNameExFn query, int format) {
    char buffer[256];
    DWORD size = sizeof buffer;
    return query && query(format, buffer, &size) ? std::string(buffer, size) : std::string();
}

// The names under which this machine reaches its own shares.
std::vector<std::string> localNames() {
    std::vector<std::string> names = {"localhost"};
    char buffer[MAX_COMPUTERNAME_LENGTH + 1];
    DWORD size = sizeof buffer;
    if (GetComputerNameA(buffer, &size))
        names.emplace_back(buffer, size);
    auto query =
        kor::procAddress<ComputerNameExFn>(GetModuleHandleA("kernel32.dll"), "GetComputerNameExA");
    names.push_back(computerName(query, kDnsHostname));
    names.push_back(computerName(query, kDnsFullyQualified));
    return names;
}

std::string fullPathName(const std::string& path) {
    char buffer[MAX_PATH];
    char* name;
    DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, buffer, &name);
    return length > 0 && length < MAX_PATH ? std::string(buffer, length) : path;
}

// The roots of the volume or share `path` lies on: the volume path the system
// answers (a volume mounted in a folder has its own; Windows NT 4.0 and, for
// shares, wine give none) and the drive or share its full name begins with.
std::vector<std::string> rootsOf(const std::string& path) {
    std::vector<std::string> roots;
    auto volumePath =
        kor::procAddress<VolumePathFn>(GetModuleHandleA("kernel32.dll"), "GetVolumePathNameA");
    char buffer[MAX_PATH];
    if (volumePath && volumePath(path.c_str(), buffer, MAX_PATH))
        roots.emplace_back(buffer);
    std::string byName = rootByName(fullPathName(path));
    if (!byName.empty())
        roots.push_back(byName);
    return roots;
}

// Whether `path`, which opens `identity`, opens the root of its own volume or
// share. A root that cannot be opened leaves the question open: its error.
bool isRootOfItsVolume(const std::string& path, const FileIdentity& identity, DWORD& error) {
    error = ERROR_SUCCESS;
    for (const std::string& root : rootsOf(path)) {
        FileIdentity rootIdentity;
        DWORD rootError;
        if (!identityOf(root, rootIdentity, rootError))
            error = rootError;
        else if (rootIdentity == identity)
            return true;
    }
    return false;
}

} // namespace

std::string deletionRefusal(const std::string& path) {
    bool absoluteDrive = path.size() >= 2 && isDriveLetter(path[0]) && path[1] == ':' &&
                         (path.size() == 2 || isSeparator(path[2]));
    bool network = path.size() >= 2 && isSeparator(path[0]) && isSeparator(path[1]);
    if (!absoluteDrive && !network)
        return "relative path";
    if ((absoluteDrive && path.find_first_not_of("\\/", 2) == std::string::npos) ||
        (network && isShareRoot(path)))
        return "drive root";

    std::vector<std::string> names = {path};
    std::string local =
        localFormOfAdminShare(path, localNames(), directoryFrom(GetWindowsDirectoryA));
    if (!local.empty())
        names.push_back(local);
    std::vector<Protected> places = protectedPlaces();
    DWORD unopened = ERROR_SUCCESS;
    for (const std::string& name : names) {
        FileIdentity identity;
        DWORD error;
        std::string listed = listedDirectory(name);
        if (!identityOf(listed, identity, error)) {
            // Absence is no reason to refuse: there is nothing to delete.
            if (!isAbsence(error))
                unopened = error;
            continue;
        }
        if (isRootOfItsVolume(listed, identity, error))
            return "drive root";
        if (error != ERROR_SUCCESS)
            unopened = error;
        for (const Protected& place : places)
            if (place.identity == identity)
                return place.reason;
    }
    if (unopened != ERROR_SUCCESS) {
        char reason[64];
        std::snprintf(reason, sizeof reason, "cannot be opened, error %lu",
                      static_cast<unsigned long>(unopened));
        return reason;
    }
    return {};
}
