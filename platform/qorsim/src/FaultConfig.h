#pragma once

#include "qorsim/Simulator.h"

#include "configfile/config_node.h"

namespace qorsim {

// One failure to inject, from the configuration's "faults" list:
// {"call": "open"|"close"|"ioctl"|"fcntl", "path": TEXT, "adapter": N,
//  "fib": N, "ct": N, "scsi": N, "aif": N, "cluster": N, "skip": N,
//  "times": N (-1 all),
//  "error": ERRNO, "replyWords": {"I": VALUE, ...}, "zeroReplyFrom": BYTE,
//  "replayPrevious": true|false}. replyWords change the reply's payload
// words of a call that passes (error 0); zeroReplyFrom and replayPrevious
// damage its reply as Fault describes.
Fault faultFromJson(const standin_config::Node& j);

} // namespace qorsim
