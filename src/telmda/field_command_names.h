// The request names of the commands that set one card field, each a constant
// named after the command's handler, from the card field table: the command
// list names these commands by their handlers.
#pragma once

#include <cstddef>

namespace telmda::field_command_name {

#define CARD_FIELD(object, offset, width, kind, element)
#define CARD_SETTING(object, offset, width, kind, element, hostSuffix, setter, shape, param, log,  \
                     logId, group, id, set, command, handler)                                      \
    constexpr const char* handler = command;
#include "telmda/card_fields.def"

// All of them, in the table's order.
constexpr const char* kAll[] = {
#define CARD_FIELD(object, offset, width, kind, element)
#define CARD_SETTING(object, offset, width, kind, element, hostSuffix, setter, shape, param, log,  \
                     logId, group, id, set, command, handler)                                      \
    command,
#include "telmda/card_fields.def"
};

} // namespace telmda::field_command_name
