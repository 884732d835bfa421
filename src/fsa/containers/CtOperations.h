#pragma once

// Container operation commands: each is sent once, its CT status compared
// with the operation's success values, and every other status mapped to
// the operation's FSA_STATUS and thrown. One engine driven by a table row
// per operation.

#include "Context.h"

#include <cstdint>

// Pauses the controller's I/O (words as the caller passes them); throws 115
// when the controller does not answer CT_PAUSE_SUCCESS.
void CT_PauseIo(FSAAPI_CONTEXT* ctx, std::uint32_t w0, std::uint32_t w1, std::uint32_t w2);
// Releases paused I/O; CT_RELEASE_NOT_PAUSED is accepted too, and only an
// actual release marks the container caches stale. Throws 116 otherwise.
void CT_ReleaseIo(FSAAPI_CONTEXT* ctx);
