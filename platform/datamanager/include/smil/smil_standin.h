// Control and inspection interface of the data manager stand-in, for tests
// and demo harnesses in the same process. The store is loaded from the JSON
// file named by SMIL_STANDIN_FILE at first use unless a test loads one here.
//
// JSON: {"ready": true, "objects": [{"oid": 10, "type": 292, "status": 2,
//   "parents": [1, 2], "size": 72, "fields": [{"at": 16, "u32": 7},
//   {"at": 20, "text": "10.0.0.5"}, {"at": 68, "u16": 1},
//   {"at": 40, "hex": "00ff"}, {"at": 68, "utf8": "DIMM A1"}]}]}
// Field kinds: u8, u16, u32, i32, text (bytes and a NUL; "raw": true leaves
// the NUL out), hex (raw bytes), utf8 (the text is stored after the fixed
// part and its in-object offset written at "at"). "size" defaults to the end
// of the last field; fields must lie inside it, after the 16-byte header.
// "unreadable": true keeps the object in its parents' lists while every read
// of it answers none. Unknown keys, numbers outside their field, and parents
// that are not objects of the file are refused (platform/datamanager/README.md).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace smil_standin {

// Replaces the store; throws std::runtime_error with a reason on bad JSON.
void loadJson(const std::string& text);
void loadFile(const std::string& path);
// Empties the store, journal and failure plans (live objects stay counted).
void reset();

void setReady(bool ready);
// The n-th object or list read from now (1 = the next) answers none; 0 = off.
void failReadAt(unsigned n);
// Reads (object or list requests) made since the last reset.
unsigned readCount();

// Objects and lists handed out and not yet freed.
std::size_t liveObjects();
// SMILFreeGeneric calls on pointers the stand-in never handed out (or twice).
std::size_t badFrees();
// One line per call, e.g. "SMILGetObjByType 2 292 0".
std::vector<std::string> journal();
void clearJournal();

// Stored bytes of an object (header included); empty when unknown.
std::vector<std::uint8_t> objectBytes(std::uint32_t oid);
// Overwrites bytes of a stored object; false when out of its bounds.
bool writeBytes(std::uint32_t oid, std::size_t offset, const void* data, std::size_t len);

} // namespace smil_standin
