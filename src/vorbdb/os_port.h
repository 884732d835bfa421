// The library's one port to the operating system: file reads, the database
// lock, temporary files, the replace step, trace appends and waits.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace vorbdb::os {

enum class ReadResult { Ok, NotFound, Failed };

// Reads a whole file. NotFound only when the file does not exist; Failed,
// at once, for anything but a regular file.
ReadResult readFile(const char* path, std::string& content);

// True when `path` is a regular file this process can open for reading.
bool canOpenForReading(const char* path);

enum class LockMode { Shared, Exclusive };

// A lock on the lock file, held for the object's life: exclusive for every
// process and thread that rewrites the database, shared for readers. `path`
// outlives the object.
class FileLock {
public:
    FileLock(const char* path, LockMode mode);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return held_; }
    // Whether the lock still keeps other writers out: the lock file may have
    // been removed or replaced since it was taken.
    bool stillHeld() const;

private:
    std::intptr_t handle_;
    const char* path_;
    bool held_ = false;
};

enum class TempResult { Ok, OpenFailed, WriteFailed };

// A rewrite's own temporary file beside the database, named
// "<prefix>.<pid>.<unique>" so that the library knows it for its own. While
// the object lives the file counts as its live writer's; it is removed with
// the object unless it was moved over the database.
class TempFile {
public:
    TempFile();
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    // Empty when there is no file.
    const char* path() const;
    // The file was moved over the database: nothing is left to remove.
    void moved();

private:
    friend TempResult writeTempFile(const char*, const char*, std::string_view, TempFile&);
    struct Held; // this platform's hold on the file
    std::unique_ptr<Held> held_;
};

// Creates `temp` (after dropping any file it held) with a name unique to
// this process and thread, gives it the mode of `modelPath` (a default when
// that does not exist), writes `content` and flushes it to the disk. Nothing
// is left behind on failure.
TempResult writeTempFile(const char* prefix, const char* modelPath, std::string_view content,
                         TempFile& temp);

// Removes the temporary files of `prefix` that writers which died left
// behind; never a live writer's. Call it holding the database lock.
void removeStaleTempFiles(const char* prefix);

// Moves `from` over `to` in one step; a crash leaves the old file or the
// whole new one. Durable once it returns true, except on a system that cannot
// write a move through (Windows NT 4.0), where the move may be lost.
bool replaceFile(const char* from, const char* to, bool failIfExists);

// Appends `text` to `path`, creating it when missing; anything but a regular
// file is left alone.
void appendToFile(const char* path, std::string_view text);

// Text in the platform's legacy code page (Latin-1 on Linux, the ANSI code
// page on Windows) as UTF-16.
std::u16string legacyToUtf16(std::string_view bytes);

void sleepMilliseconds(unsigned ms);

// How often a replace is tried. A rename that fails on Linux fails for good;
// on Windows a reader may hold the database for a moment.
extern const int kReplaceAttempts;

} // namespace vorbdb::os
