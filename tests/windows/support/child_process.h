// Starting and watching real processes from Windows tests.
#pragma once

#include <windows.h>

#include <string>

namespace wintest {

// Directory of the running test program (helpers are built next to it).
std::string binDir();

// `prefix` followed by this test process's id in letters: a name unique to
// the run that needs no digits.
std::string uniqueLetters(const std::string& prefix);

// A fresh directory under the temporary directory, removed with its files.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A started process; terminated (if still running) and closed on destruction.
class Child {
public:
    explicit Child(const std::string& commandLine, bool hidden = true);
    ~Child();
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    bool started() const { return process_ != nullptr; }
    bool running() const;
    // The exit code once ended within `ms`, else -1 (the process is then left running).
    long waitExit(DWORD ms) const;
    DWORD id() const { return id_; }
    HANDLE handle() const { return process_; }

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
};

// Runs a command line to its end (at most `ms`) and answers its exit code, -1 on timeout.
long runToEnd(const std::string& commandLine, DWORD ms = 30000);

// Runs a command line to its end (at most `ms`), collecting its standard
// output; answers its exit code, -1 on timeout.
long runCapture(const std::string& commandLine, std::string& output, DWORD ms = 30000);

// Sets (or, with an empty version, removes) the Windows version that wine
// reports to programs of this file name.
void setWineVersionFor(const std::string& exeName, const std::string& version);

} // namespace wintest
