#pragma once
// A diagnostic's own log file, shared by every diagnostic object of the
// process: the first holder opens it (append, only when DIAGLOG is set), each
// holder writes a banner of asterisks and the time, the last closes it.

#include <fstream>
#include <mutex>
#include <string>

namespace VarnDiags::System {

class SharedLog {
public:
    explicit SharedLog(std::string fileName) : m_fileName(std::move(fileName)) {}

    // Takes a hold; false (and no hold) when DIAGLOG is set and the file
    // cannot be opened.
    bool acquire();
    // Gives a hold back (only a holder may call it); true when that was the
    // last hold and the file is closed.
    bool release();

    std::ofstream& stream() { return m_file; }

private:
    const std::string m_fileName;
    std::mutex m_mutex;
    std::ofstream m_file;
    int m_holders = 0;
};

} // namespace VarnDiags::System
