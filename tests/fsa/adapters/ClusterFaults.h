#pragma once

// Faults of the simulated controller's cluster commands.

#include "qorsim/Simulator.h"

#include <cerrno>

namespace fsatest {

// Cluster command `command` fails, or its reply's data comes back zeroed.
inline qorsim::Fault clusterRead(int command, bool zeroed) {
    qorsim::Fault f;
    f.fibCommand = 550;
    f.clusterCommand = command;
    if (zeroed)
        f.zeroReplyFrom = qorsim::kFibHeader + 4;
    else
        f.error = EIO;
    f.times = 1000;
    return f;
}

} // namespace fsatest
