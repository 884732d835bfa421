// The journal as text, one line per request, for whole-program runs:
//   open /dev/qor0 = 5
//   ioctl qor0 fd 5 fib 500 ct 65
//   fcntl /tmp/.qor0lock fd 6 cmd 37 error 11
#pragma once

#include "qorsim/Simulator.h"

#include <string>
#include <vector>

namespace qorsim {

std::string journalLine(const JournalEntry& entry);
std::string journalText(const std::vector<JournalEntry>& journal);

} // namespace qorsim
