#pragma once

#include "FsaTypes.h"

// Splits "[\\[\\domain\\]\\host\\]adapter" into its parts (upper-cased);
// each maximum counts the terminator.
FSA_STATUS FsaParseAdapterName(const FA_WCHAR* name, FA_WCHAR* adapter, unsigned int adapterMax,
                               FA_WCHAR* host, unsigned int hostMax, FA_WCHAR* domain,
                               unsigned int domainMax);
