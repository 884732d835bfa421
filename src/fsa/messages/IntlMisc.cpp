// The message catalogue: one process-wide text area built from the generated
// table on first use, its lookups and its in-place stores.

#include "Catalogue.h"
#include "FsaMessages.h"
#include "MessageTable.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <string>

namespace fsa_messages {
namespace {

std::mutex gCatalogueMutex;
// The text area, present while the catalogue is built: its presence is the
// build flag. Guarded by gCatalogueMutex; a flag rather than a once-flag so
// that a release can be followed by a fresh build.
std::unique_ptr<char[]> gTextArea; // kTotalBufferSize + 1 bytes

bool build() {
    if (gTextArea)
        return true;
    gTextArea.reset(new (std::nothrow) char[kTotalBufferSize + 1]);
    if (!gTextArea)
        return false;
    std::memcpy(gTextArea.get(), kMessageTexts, kTotalBufferSize + 1);
    return true;
}

const MessageRecord* findRecord(std::uint32_t id) {
    if (id > kTotalRecord)
        return nullptr;
    const MessageRecord* end = kMessageRecords + kMessageRecordCount;
    const MessageRecord* r = std::lower_bound(
        kMessageRecords, end, id, [](const MessageRecord& m, std::uint32_t v) { return m.id < v; });
    return r != end && r->id == id ? r : nullptr;
}

// Copies a message out as `length` bytes and a terminator, each byte widened
// to the caller's character type.
template <typename Char> unsigned int getString(Char* buffer, unsigned int* size, unsigned int id) {
    if (size == nullptr)
        return FSA_MSG_BAD_ARGUMENT;
    const CatalogueLock lock;
    MessageSlot slot;
    if (!findMessage(lock, id, slot))
        return FSA_MSG_NOT_FOUND;
    const unsigned int needed = slot.length + 1;
    if (*size < needed) {
        *size = needed;
        return FSA_MSG_BUFFER_TOO_SMALL;
    }
    if (buffer == nullptr)
        return FSA_MSG_BAD_ARGUMENT;
    std::transform(slot.text, slot.text + slot.length, buffer,
                   [](char c) { return static_cast<Char>(static_cast<unsigned char>(c)); });
    buffer[slot.length] = 0;
    *size = needed;
    return FSA_MSG_DONE;
}

} // namespace

CatalogueLock::CatalogueLock() : guard_(gCatalogueMutex) {}

bool findMessage(const CatalogueLock&, std::uint32_t id, MessageSlot& slot) {
    if (!build())
        return false;
    const MessageRecord* r = findRecord(id);
    if (r == nullptr)
        return false;
    slot = {gTextArea.get() + r->offset, r->length};
    return true;
}

void storeText(const MessageSlot& slot, const char* text, std::size_t count) {
    const std::size_t n = strnlen(text, std::min<std::size_t>(count, slot.length));
    std::memcpy(slot.text, text, n);
    std::memset(slot.text + n, 0, slot.length - n);
}

} // namespace fsa_messages

using namespace fsa_messages;

unsigned int FsaGetStringA(char* buffer, unsigned int* size, unsigned int id) {
    return getString(buffer, size, id);
}

unsigned int FsaGetStringW(FA_WCHAR* buffer, unsigned int* size, unsigned int id) {
    return getString(buffer, size, id);
}

unsigned int FsaPutStringA(const char* text, unsigned int* size, unsigned int id) {
    const CatalogueLock lock;
    MessageSlot slot;
    if (!findMessage(lock, id, slot))
        return FSA_MSG_NOT_FOUND;
    if (text == nullptr || size == nullptr)
        return FSA_MSG_BAD_ARGUMENT;
    *size = std::min<unsigned int>(*size, slot.length);
    storeText(slot, text, slot.length);
    return FSA_MSG_DONE;
}

// The inverse of FsaGetStringW: each unit becomes one byte, so only units up to
// 0xFF can be stored; a text with any other unit is refused whole.
unsigned int FsaPutStringW(const FA_WCHAR* text, unsigned int* size, unsigned int id) {
    const CatalogueLock lock;
    MessageSlot slot;
    if (!findMessage(lock, id, slot))
        return FSA_MSG_NOT_FOUND;
    if (size == nullptr)
        return FSA_MSG_BAD_ARGUMENT;
    if (*size > slot.length + 1) {
        *size = slot.length + 1;
        return FSA_MSG_BUFFER_TOO_SMALL;
    }
    if (text == nullptr)
        return FSA_MSG_BAD_ARGUMENT;
    std::string narrow;
    for (std::size_t n = 0; n < *size && text[n] != 0; ++n) {
        if (text[n] > 0xFF)
            return FSA_MSG_BAD_ARGUMENT;
        narrow += static_cast<char>(text[n]);
    }
    storeText(slot, narrow.c_str(), narrow.size());
    return FSA_MSG_DONE;
}

unsigned int FsaFreeStringResources(void) {
    const CatalogueLock lock;
    gTextArea.reset();
    return FSA_MSG_DONE;
}
