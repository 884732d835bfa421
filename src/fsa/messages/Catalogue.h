#pragma once

#include <cstdint>
#include <mutex>

// Internal access to the process-wide message catalogue. Every read, store,
// build and release runs under the one catalogue mutex, held by a
// CatalogueLock; functions that touch the catalogue take the lock as proof.
namespace fsa_messages {

class CatalogueLock {
public:
    CatalogueLock();
    CatalogueLock(const CatalogueLock&) = delete;
    CatalogueLock& operator=(const CatalogueLock&) = delete;

private:
    std::lock_guard<std::mutex> guard_;
};

// A message's place in the text area: `length` bytes, zero-padded when the
// text stored there is shorter, followed by a zero byte.
struct MessageSlot {
    char* text;
    std::uint32_t length;
};

// Builds the catalogue when it is not built, then finds the message. False
// when there is no message with that id (or the build could not allocate).
bool findMessage(const CatalogueLock&, std::uint32_t id, MessageSlot& slot);

// Stores `text` (at most `count` bytes, stopping at a zero byte) into the slot,
// cut to the slot's length and zero-padded.
void storeText(const MessageSlot& slot, const char* text, std::size_t count);

} // namespace fsa_messages
