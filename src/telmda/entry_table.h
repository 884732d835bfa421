// The four 16-entry tables of the card (users, SNMP trap destinations, dial-in
// users, demand dial-out entries) follow one pattern; a descriptor per table
// holds everything in which they differ, and one engine runs them all.
#pragma once

#include "card_settings.h"

#include <cstddef>
#include <cstdint>

namespace telmda {

// A settable field of an entry: a row of the card field table in the
// table's group.
using EntryField = CardSetting;

struct EntryTable {
    std::uint16_t type;

    // The fields: those of this group in the card field table.
    CardGroup group;

    // The key: its field id, and from its row its parameter, place in the
    // object, width and the command-log id of a changed key, which also logs
    // a whole-entry set's change; how many characters of a new key are kept
    // (the size of the area handed to its setter) and what a removal writes.
    std::int32_t keyField;
    const char* keyParam;
    std::uint16_t keyOffset;
    std::uint16_t keyWidth;
    std::uint32_t changeLogId;
    std::size_t keyCut;
    const char* removedKey;
    // The key command treats "0.0.0.0" like an empty key (a removal).
    bool zeroAddressRemoves;
    // The key command answers 258 for a known key with "RSCCommandMode"
    // "ModeAdd".
    bool checksCommandMode;
    // The key command refuses a key that another entry holds (existsStatus,
    // existsFormat): two users or dial-in users of one name would make every
    // later lookup by name ambiguous. Addresses may repeat.
    bool refusesKeyOfAnother;

    // The entry element carries the filter captions (words at 24/32, 28/36).
    bool filterCaptions;

    // The list: its parent comes from "poid" (else the card root), its help,
    // element names, and whether an unreadable object ends the walk.
    bool listFromPoid;
    const char* listHelp;
    const char* listElement;
    const char* freeElement;
    bool listStopsAtUnreadable;

    // The query by index: the root it starts from; whether free entries show.
    std::uint32_t indexRoot;
    bool indexShowsFree;
    // The next-free query when the table is full.
    const char* fullMessage;

    // The whole-entry set.
    const char* entryHelp;
    // Without "index" a new entry is always added (no key search).
    bool addsWithoutKeySearch;
    const char* internalErrorFormat; // "%d": the index
    const char* existsFormat;        // "%s": the key
    std::int32_t existsStatus;
    std::int32_t noFreeStatus;
    const char* passwordParam; // needed to add, or null
    const char* noPasswordMessage;
    const char* addFailedFormat; // "%d" (if present): the status
    const std::int32_t* wholeSetFields;
    std::size_t wholeSetFieldCount;

    // Removal.
    const char* notFoundFormat;      // "%s": the key
    const char* deleteFailedFormat;  // "%s": the key
    const char* deleteByIndexFormat; // "%d": the index
};

extern const EntryTable kUserTable;
extern const EntryTable kTrapTable;
extern const EntryTable kDialInTable;
extern const EntryTable kDemandDialTable;

} // namespace telmda
