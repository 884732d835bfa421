#pragma once

#include "FsaTypes.h"

class FSAAPI_CONTEXT;

// The record of a call without an adapter context.
void FsaDefaultGeneralInformation(FSA_GENERAL_INFO* info);
// Fills the limits of the general information from the controller's bus
// information, container parameters, miscellaneous status and container
// count (context initialisation).
void FsaFillControllerLimits(FSAAPI_CONTEXT* ctx);
