#pragma once

#include "FsaStatus.h"

// The operating-system layer records the details of its latest failure of each
// kind below in a catalogue message (a slot), so the status it then raises
// reads with the failing call, errno and the system's text for it.
enum class FailureSlot {
    LockOpen,   // adapter lock file open
    LockClose,  // adapter lock file close
    LockCreate, // adapter lock file create
    LockFcntl,  // fcntl lock or unlock of the adapter lock file
    Ioctl,      // a driver ioctl; the only kind that names the call
    DebugFile,  // the trace file
};

struct FailureSlotPair {
    FailureSlot slot;
    unsigned int formatId; // printf format applied to the details
    unsigned int slotId;   // message that receives the formatted text
    FSA_STATUS status;     // status whose text is the slot
    bool namesCall;        // the format takes the ioctl's name first
};

const FailureSlotPair& failureSlotPair(FailureSlot slot);

// Formats the slot's details into it, cut to the slot's length: `callName`
// (ioctl slot only; null reads as empty), `err` and strerror(err) (empty for 0).
// Returns FSA_MSG_DONE when stored; otherwise nothing was stored.
unsigned int faux_FmtString(FailureSlot slot, int err, const char* callName = nullptr);
