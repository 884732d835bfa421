// The command table, sorted once at the first attach and searched by binary
// search on the request's "qvacmd".
#include "field_command_names.h"
#include "handlers.h"
#include "telmda/card_objects.h"
#include "telmda/telmda.h"

#include "exported_call.h"

#include <cstdlib>
#include <cstring>

namespace {

// Laid down in the order of the command list; sorted in place later.
DBIntfCmdEntry cdt[] = {
#define TELMDA_COMMAND(name, handler) {name, handler},
#include "command_list.def"
};
constexpr unsigned kRows = sizeof cdt / sizeof cdt[0];

// The single-field commands the command list names, by their handlers.
constexpr const char* kListedFieldCommands[] = {
#define TELMDA_COMMAND(name, handler)
#define TELMDA_FIELD_COMMAND(handler) telmda::field_command_name::handler,
#include "command_list.def"
};

constexpr bool sameText(const char* a, const char* b) {
    while (*a && *a == *b)
        ++a, ++b;
    return *a == *b;
}

// Every command of the card field table is listed once.
constexpr bool everyFieldCommandListedOnce() {
    for (const char* command : telmda::field_command_name::kAll) {
        int listed = 0;
        for (const char* row : kListedFieldCommands)
            listed += sameText(command, row) ? 1 : 0;
        if (listed != 1)
            return false;
    }
    return sizeof kListedFieldCommands == sizeof telmda::field_command_name::kAll;
}
static_assert(
    everyFieldCommandListedOnce(),
    "a command of the card field table is missing from the command list, or listed twice");

short cdtSorted = 0;

} // namespace

extern "C" {

DBIntfCmdEntry* DBIntfGetCDT(unsigned* count) {
    if (count)
        *count = kRows;
    return cdt;
}

int DBIntfCmdCmp(const void* rowA, const void* rowB) {
    return std::strcmp(static_cast<const DBIntfCmdEntry*>(rowA)->name,
                       static_cast<const DBIntfCmdEntry*>(rowB)->name);
}

int DBIntfCmdCmpValue(const void* key, const void* row) {
    return std::strcmp(static_cast<const char*>(key),
                       static_cast<const DBIntfCmdEntry*>(row)->name);
}

int DBIntfSortCDT(void) {
    unsigned count = 0;
    DBIntfCmdEntry* table = DBIntfGetCDT(&count);
    if (!table)
        return -1;
    std::qsort(table, count, sizeof *table, DBIntfCmdCmp);
    cdtSorted = 1;
    return 0;
}

const char* DBIntfQVACmd(int32_t paramCount, OCSParamList params) {
    return OCSGetAStrParamValueByAStrName(paramCount, params, "qvacmd", 0);
}

char* DBIntfSendCmd(int32_t paramCount, OCSParamList params) {
    if (!cdtSorted)
        return nullptr;
    const char* name = DBIntfQVACmd(paramCount, params);
    if (!name)
        return nullptr;
    unsigned count = 0;
    DBIntfCmdEntry* table = DBIntfGetCDT(&count);
    const auto* row = static_cast<const DBIntfCmdEntry*>(
        std::bsearch(name, table, count, sizeof *table, DBIntfCmdCmpValue));
    if (!row)
        return nullptr;
    // Handlers in the answer frame answer "out of memory" themselves; an
    // exception from any other must not reach the host either: no answer.
    return telmda::exportedCall(static_cast<char*>(nullptr),
                                [&] { return row->handler(paramCount, params); });
}

void DBIntfFreeData(char* answer) {
    OCSXFreeBufContent(answer);
}

char* CMDHelp(int32_t paramCount, OCSParamList params) {
    unsigned count = 0;
    const DBIntfCmdEntry* table = DBIntfGetCDT(&count);
    static_assert(sizeof(DBIntfCmdEntry) == sizeof(OCSDASCmdRow),
                  "the host reads the table as its own rows");
    return OCSDASCMDHelp(paramCount, params, reinterpret_cast<const OCSDASCmdRow*>(table), count,
                         CMDHelp);
}

} // extern "C"
