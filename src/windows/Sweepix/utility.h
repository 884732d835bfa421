// The clean-up program's free functions over the Windows interfaces. None of
// them writes the log; several write the debug trace.
#pragma once

#include <windows.h>

#include <string>

// Operating system and rights.
bool isWindowsNT();
bool isWindows2000OrLater();
// 0 when the process token's groups hold the built-in Administrators group
// (enabled or not), 1 when they do not, 3 when the check itself failed.
int isAdministrator();

// Existence tests through the system's find-first-file search, so a path with
// wildcards tests its first match.
bool fileExists(const std::string& path);
bool directoryExists(const std::string& path);

// Starts `commandLine` (no inherited handles, the caller's environment,
// `directory` as working directory unless null), hidden unless `showWindow`.
// The caller owns the handle; INVALID_HANDLE_VALUE when the start failed.
HANDLE runProcess(const std::string& commandLine, const char* directory, bool showWindow);
// Starts `commandLine` and waits for it to end, dispatching paint and timer
// messages and answering sent messages meanwhile. Answers whether it started;
// when it did not, returns at once with the system's code in `startError`
// (when given). The exit code is not read.
bool runProcessAndWait(const std::string& commandLine, bool showWindow,
                       DWORD* startError = nullptr);
// Runs the process terminator for `processName`, hidden, and waits for it.
bool killProcess(const std::string& processName);

// Registry values. Reads answer the empty text on any failure, also for a
// value longer than 1024 bytes.
std::string GetValueFromRegistry(HKEY root, const std::string& subKey,
                                 const std::string& valueName);
int setRegistryString(HKEY root, const std::string& subKey, const std::string& valueName,
                      const std::string& value);
int setRegistryExpandString(HKEY root, const std::string& subKey, const std::string& valueName,
                            const std::string& value);
int deleteRegistryValue(HKEY root, const std::string& subKey, const std::string& valueName);
// The same delete, answering the system's code of the open or the delete.
LONG deleteRegistryValueCode(HKEY root, const std::string& subKey, const std::string& valueName);

// Directories. DeleteDirectory answers true when the directory no longer
// exists afterwards; it never follows a link (it removes the link itself). It
// refuses (answering false) a relative path, the root directory of any volume
// (fixed, removable, CD-ROM, RAM disk, network drive, a volume mounted in a
// folder) or network share ("\\server\share"), the Windows and system
// directories, and a path that cannot be opened for a reason other than its
// absence. Each is told by what the path opens, whatever its spelling; a
// directory below a root is deleted.
bool DeleteDirectory(const std::string& path, bool recurse);
bool hasSubDirectory(const std::string& path);
bool CopyDirectory(const std::string& source, const std::string& destination, bool recurse);

// The path of a shell folder (for example 25, the common desktop, or 23, the
// common programs menu), or the empty text.
std::string GetDesktopAndStartMenuFolder(int folderId);

// The value of `key` in the install database `directory` + "\\qvinstal.db",
// or the empty text.
std::string readInstallDbValue(const std::string& directory, const std::string& key);
