#pragma once

#include <cstddef>
#include <cstdint>

// The catalogue's texts and the status table, generated at build time from
// messages.txt and status-runs.txt (see msggen/).
namespace fsa_messages {

struct MessageRecord {
    std::uint32_t id;
    std::uint32_t length; // bytes of the text, also the capacity of its slot
    std::uint32_t offset; // of the text in kMessageTexts
};

struct StatusRow {
    std::uint32_t status;
    std::uint32_t messageId;
};

extern const MessageRecord kMessageRecords[]; // ascending ids
extern const std::size_t kMessageRecordCount;
extern const std::uint32_t kTotalRecord; // the highest message id
// Every text followed by a zero byte, in id order; kTotalBufferSize bytes plus
// the literal's own final zero.
extern const char kMessageTexts[];
extern const std::uint32_t kTotalBufferSize;
extern const StatusRow kStatusRows[]; // ascending statuses
extern const std::size_t kStatusRowCount;

} // namespace fsa_messages
