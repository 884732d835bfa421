#pragma once

#include "FsaStatus.h"

class FSAAPI_CONTEXT;

// True for a local context on the software simulator (no host driver).
bool PCK_HasNoHostDriver(const FSAAPI_CONTEXT* ctx);
// 213 for host OS types the library does not run on, else 1.
FSA_STATUS FsaValidHostOs();
