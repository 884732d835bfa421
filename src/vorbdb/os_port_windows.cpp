#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "os_move_windows.h"
#include "os_port.h"

namespace vorbdb::os {
namespace {

// Our own opens never refuse each other; a replace still waits for readers
// that hold the database (the caller retries).
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    ~Handle() {
        if (valid())
            CloseHandle(h_);
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    HANDLE get() const { return h_; }
    bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
    bool close() {
        HANDLE h = h_;
        h_ = INVALID_HANDLE_VALUE;
        return CloseHandle(h) != 0;
    }

private:
    HANDLE h_;
};

bool writeAll(HANDLE h, std::string_view data) {
    while (!data.empty()) {
        DWORD chunk = data.size() > 0x10000000 ? 0x10000000 : static_cast<DWORD>(data.size());
        DWORD written = 0;
        if (!WriteFile(h, data.data(), chunk, &written, nullptr) || written == 0)
            return false;
        data.remove_prefix(written);
    }
    return true;
}

std::atomic<unsigned> g_tempSequence{0};
std::atomic<MoveFileCall> g_moveFile{nullptr};

// True unless the system says there is no such process: one that runs under
// another account, which we may not open, still counts.
bool processAlive(DWORD pid) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (process == nullptr)
        return GetLastError() != ERROR_INVALID_PARAMETER;
    bool alive = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return alive;
}

// The writer's process id in "<base>.<pid>.<thread>.<sequence>", or 0 when
// the name is not one of ours.
DWORD writerOf(const char* name, const std::string& base) {
    if (std::strncmp(name, base.c_str(), base.size()) != 0 || name[base.size()] != '.')
        return 0;
    // Three decimal numbers joined by dots.
    const std::string rest = name + base.size() + 1;
    if (rest.empty() || rest.find_first_not_of("0123456789.") != std::string::npos ||
        std::count(rest.begin(), rest.end(), '.') != 2 || rest.front() == '.' ||
        rest.back() == '.' || rest.find("..") != std::string::npos)
        return 0;
    return std::strtoul(rest.c_str(), nullptr, 10);
}

} // namespace

struct TempFile::Held {
    std::string path;
    bool moved = false;
    ~Held() {
        if (!moved)
            DeleteFileA(path.c_str());
    }
};

TempFile::TempFile() = default;
TempFile::~TempFile() = default;

const char* TempFile::path() const {
    return held_ ? held_->path.c_str() : "";
}

void TempFile::moved() {
    if (held_)
        held_->moved = true;
}

const int kReplaceAttempts = 20;

ReadResult readFile(const char* path, std::string& content) {
    content.clear();
    Handle file(CreateFileA(path, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid())
        return GetLastError() == ERROR_FILE_NOT_FOUND ? ReadResult::NotFound : ReadResult::Failed;
    char buffer[16384];
    while (true) {
        DWORD n = 0;
        if (!ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr))
            return ReadResult::Failed;
        if (n == 0)
            return ReadResult::Ok;
        content.append(buffer, n);
    }
}

bool canOpenForReading(const char* path) {
    Handle file(CreateFileA(path, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.valid();
}

FileLock::FileLock(const char* path, LockMode mode)
    : handle_(reinterpret_cast<std::intptr_t>(CreateFileA(path, GENERIC_READ | GENERIC_WRITE,
                                                          kShareAll, nullptr, OPEN_ALWAYS,
                                                          FILE_ATTRIBUTE_NORMAL, nullptr))),
      path_(path) {
    HANDLE h = reinterpret_cast<HANDLE>(handle_);
    if (h == INVALID_HANDLE_VALUE)
        return;
    OVERLAPPED at = {};
    DWORD flags = mode == LockMode::Exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0;
    held_ = LockFileEx(h, flags, 0, 1, 0, &at) != 0;
}

// The lock file stays open, and with it the lock, until the object goes: it
// cannot be replaced by another file meanwhile.
bool FileLock::stillHeld() const {
    return held_;
}

FileLock::~FileLock() {
    HANDLE h = reinterpret_cast<HANDLE>(handle_);
    if (h == INVALID_HANDLE_VALUE)
        return;
    if (held_) {
        OVERLAPPED at = {};
        UnlockFileEx(h, 0, 1, 0, &at);
    }
    CloseHandle(h);
}

TempResult writeTempFile(const char* prefix, const char*, std::string_view content,
                         TempFile& temp) {
    temp.held_.reset();
    // Process id (which tells a dead writer's file), thread id and a sequence
    // number: unique without a shared random generator; CREATE_NEW refuses
    // any leftover of the same name.
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[64];
        std::snprintf(suffix, sizeof suffix, ".%lu.%lu.%u", GetCurrentProcessId(),
                      GetCurrentThreadId(), g_tempSequence.fetch_add(1));
        std::string tempPath = std::string(prefix) + suffix;
        Handle file(CreateFileA(tempPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.valid()) {
            if (GetLastError() == ERROR_FILE_EXISTS)
                continue;
            break;
        }
        auto held = std::make_unique<TempFile::Held>();
        held->path = tempPath;
        bool written = writeAll(file.get(), content) && FlushFileBuffers(file.get());
        if (!file.close() || !written)
            return TempResult::WriteFailed; // `held` removes the file
        temp.held_ = std::move(held);
        return TempResult::Ok;
    }
    return TempResult::OpenFailed;
}

void removeStaleTempFiles(const char* prefix) {
    const std::string pattern = std::string(prefix) + ".*";
    const std::size_t cut = pattern.find_last_of("\\/") + 1; // npos + 1 is 0
    const std::string directory = pattern.substr(0, cut);
    const std::string base = std::string(prefix).substr(cut);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        DWORD writer = writerOf(found.cFileName, base);
        if (writer != 0 && (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            !processAlive(writer))
            DeleteFileA((directory + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

void setMoveFileCall(MoveFileCall call) {
    g_moveFile.store(call);
}

// False only when the flush itself failed: a file that cannot be opened for
// writing (read-only, or held without write sharing) is left as it is.
bool flushFile(const char* path) {
    Handle file(CreateFileA(path, GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    return !file.valid() || FlushFileBuffers(file.get());
}

// Write-through puts the move on the disk before it returns. Windows NT 4.0
// refuses the flag (ERROR_INVALID_PARAMETER): there the file is flushed and
// moved without it, so that a crash leaves the old file or the whole new one.
bool replaceFile(const char* from, const char* to, bool failIfExists) {
    MoveFileCall move = g_moveFile.load();
    if (move == nullptr)
        move = MoveFileExA;
    DWORD flags = failIfExists ? 0 : MOVEFILE_REPLACE_EXISTING;
    if (move(from, to, flags | MOVEFILE_WRITE_THROUGH))
        return true;
    if (GetLastError() != ERROR_INVALID_PARAMETER || !flushFile(from))
        return false;
    return move(from, to, flags) != 0;
}

void appendToFile(const char* path, std::string_view text) {
    Handle file(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.valid())
        writeAll(file.get(), text);
}

std::u16string legacyToUtf16(std::string_view bytes) {
    if (bytes.empty())
        return {};
    int size = static_cast<int>(bytes.size());
    int n = MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, nullptr, 0);
    if (n <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), size, wide.data(), n);
    return std::u16string(wide.begin(), wide.end());
}

void sleepMilliseconds(unsigned ms) {
    Sleep(ms);
}

} // namespace vorbdb::os
