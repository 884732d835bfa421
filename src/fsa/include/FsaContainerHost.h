#pragma once

// Telling the host when a container appears, vanishes or changes, and the
// drive-letter links of hosts that have drive letters.

#include "FsaTypes.h"

class FAOS_CTR_REMOVE_BASE;

extern "C" {

// `record` receives what the completion needs (null when the host has
// nothing to finish); completing consumes it.
FSA_STATUS FsaPrepareCtrForRemoval(void* handle, unsigned int container, int force, int flag,
                                   FAOS_CTR_REMOVE_BASE** record);
FSA_STATUS FsaCtrRemovalComplete(void* handle, unsigned int container, int failed,
                                 FAOS_CTR_REMOVE_BASE* record);
FSA_STATUS FsaExposeCtrToOs(void* handle, unsigned int container, int flags);
FSA_STATUS FsaPrepareCtrForChange(void* handle, unsigned int container,
                                  FAOS_CTR_REMOVE_BASE** record);
FSA_STATUS FsaCtrChangeComplete(void* handle, unsigned int container, int flags,
                                FAOS_CTR_REMOVE_BASE* record);
FSA_STATUS FsaCtrIsSystemBootDevice(void* handle, unsigned int container, int* isBootDevice);

FSA_STATUS FsaNTLinkForContainer(void* handle, int operation, const tag_FSA_CONTAINER* container,
                                 unsigned int word1, unsigned int word2);
FSA_STATUS FsaLinkForContainerExInternal(void* handle, unsigned int adapterSerial, int operation,
                                         unsigned int word1, unsigned int word2);
FSA_STATUS FsaNTLinkForContainerEx(void* handle, unsigned int adapterIndex, int operation,
                                   unsigned int word1, unsigned int word2);
FSA_STATUS FsaGetDriveLetterUsage(void* handle, int* usage);
FSA_STATUS FsaGetDriveLetterUsageEx(void* handle, unsigned int adapterIndex, int* usage);

// The library's simulated drive-letter table: -2 reserved (A-C), 0 and 1 the
// first two letters in use (D, E), -1 free; 0 for anything but a letter.
int FsaSimDriveLetterState(char letter);
}
