#pragma once

// Pieces of the container operation dispatcher shared by its files.

#include "Context.h"
#include "FsaContainerOps.h"
#include "OpsFrame.h"

#include <cstdint>

// The deletion of operations 10 to 13.
void CT_DeleteContainer(FSAAPI_CONTEXT* ctx, const tag_FSA_CONTAINER* container,
                        FSA_CONTAINER_OPERATION operation);

// Lets the parameter checks delete the containers of a reused drive through
// the dispatcher (once per process; the container caches ask for it).
void CT_InstallDispatcherServices();
