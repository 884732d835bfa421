#pragma once

// Result of every exported controller-library call: 1 is success, every other
// value a failure with a text of its own (FsaGetErrorTextA/W). The enumeration
// is generated from the status name table (messages/status-names.txt); values
// without an enumerator are valid statuses too.
#include "FsaStatusCodes.h"
