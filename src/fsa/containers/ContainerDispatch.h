#pragma once

// Pieces of the container operation dispatcher shared by its files.

#include "Context.h"
#include "FsaContainerOps.h"
#include "OpsFrame.h"

#include <cstdint>

// The deletion of operations 10 to 13.
void CT_DeleteContainer(FSAAPI_CONTEXT* ctx, const tag_FSA_CONTAINER* container,
                        FSA_CONTAINER_OPERATION operation);
