// The command handlers, declared from the command list.
#pragma once

#include "mgmthost/ocs.h"

#include <cstdint>

extern "C" {
#define TELMDA_COMMAND(name, handler) char* handler(std::int32_t paramCount, OCSParamList params);
#include "command_list.def"
}
