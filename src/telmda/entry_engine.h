// The entry-table engine: reads, queries and changes of any of the four
// tables, driven by the table's descriptor.
#pragma once

#include "entry_table.h"
#include "mgmthost/ocs.h"
#include "telmda/card_objects.h"

#include <cstdint>
#include <string>

namespace telmda {

// An entry object copied before a change; it travels to the setters as the
// entry's old state.
struct EntryCopy {
    alignas(8) std::uint8_t bytes[TELMDA_COPY_AREA_SIZE] = {};
};

// The key text of an entry object ("" for a free entry).
std::string entryKey(const EntryTable& table, const void* object);

// The entry element. Returns whether something was written; `inUse` is set
// for an object of the table's type.
bool writeEntry(OCSXBuf* buf, const EntryTable& table, const void* object, std::uint16_t* inUse,
                bool showFree, const char* extraAttributes);
// The first free entry under the card root, copied.
bool nextFreeEntry(const EntryTable& table, std::uint32_t* oid, void* copy);
// The list element of the entries under `parent`; the status.
std::int32_t writeEntryList(OCSXBuf* buf, const EntryTable& table, std::uint32_t parent);

// The entry-setting routine: sets one field of the entry (the key with
// `mode`), answering its own text and status.
char* setEntryField(std::int32_t count, OCSParamList params, const EntryTable& table,
                    const char* param, std::int32_t fieldId, std::uint32_t oid, const void* entry,
                    std::int32_t* status, std::int32_t mode);
// The same for its status only (the answer released).
std::int32_t setEntryFieldStatus(std::int32_t count, OCSParamList params, const EntryTable& table,
                                 const char* param, std::int32_t fieldId, std::uint32_t oid,
                                 const void* entry, std::int32_t mode);
const EntryField* entryField(const EntryTable& table, std::int32_t id);
// The whole-entry set: appends its status node and returns the status.
std::int32_t processWholeEntry(std::int32_t count, OCSParamList params, const EntryTable& table,
                               OCSXBuf* buf, const char* key);

// The commands.
char* entryListCommand(std::int32_t count, OCSParamList params, const EntryTable& table);
char* nextFreeCommand(std::int32_t count, OCSParamList params, const EntryTable& table);
char* entryByOidCommand(std::int32_t count, OCSParamList params, const EntryTable& table);
char* entryByIndexCommand(std::int32_t count, OCSParamList params, const EntryTable& table);
char* entryByKeyCommand(std::int32_t count, OCSParamList params, const EntryTable& table);
char* wholeEntryCommand(std::int32_t count, OCSParamList params, const EntryTable& table);
char* entryFieldCommand(std::int32_t count, OCSParamList params, const EntryTable& table,
                        std::int32_t fieldId);
char* entryKeyCommand(std::int32_t count, OCSParamList params, const EntryTable& table);
char* removeByKeyCommand(std::int32_t count, OCSParamList params, const EntryTable& table);
char* removeByIndexCommand(std::int32_t count, OCSParamList params, const EntryTable& table);

// printf-style formatting into a string, for the answers' messages.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

} // namespace telmda
