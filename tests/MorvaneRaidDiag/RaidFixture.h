#pragma once
// The simulated controller behind the controller library, a fast library
// clock, a recording sleeper for the diagnostic's waits, and a working
// directory of the test's own for log files. The sleeper takes no real
// time but lets the adapter events already sent arrive, as a real second
// would.

#include "SimFixture.h"

#include <functional>
#include <string>
#include <vector>

namespace raidtest {

class RaidTest : public fsatest::SimTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // The diagnostic's waits so far, in seconds, one entry per wait.
    static std::vector<unsigned int> sleeps();
    // Runs `action` at the diagnostic's next wait (once).
    static void atNextSleep(std::function<void()> action);
    // One field of the requests sent since the journal was cleared, for the
    // requests that have it (container command, SCSI operation, ...).
    std::vector<int> sent(int qorsim::JournalEntry::*field) const;
    std::vector<int> ctCommands() const { return sent(&qorsim::JournalEntry::ctCommand); }
    std::vector<int> scsiOperations() const { return sent(&qorsim::JournalEntry::scsiOperation); }
    std::vector<int> aifRequests() const { return sent(&qorsim::JournalEntry::aifRequest); }
    // The text of a file of the working directory ("" when absent).
    static std::string fileText(const std::string& name);

    std::string m_dir;
    std::string m_oldDir;
};

} // namespace raidtest
