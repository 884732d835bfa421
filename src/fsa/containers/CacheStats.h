#pragma once

// The controller's cache statistics: a header of 20 words, then one 23-word
// record per container slot.

#include "Context.h"

#include <cstdint>
#include <vector>

class FsaCacheStats {
public:
    static constexpr std::size_t kHeaderWords = 20;
    static constexpr std::size_t kSlotWords = 23;

    // Asks CACHE_STAT for every container slot (thrown on failure, 91 when
    // the buffer cannot be had).
    FsaCacheStats(FSAAPI_CONTEXT* ctx, std::uint32_t request = 0);

    FSA_STATUS status() const { return m_status; }
    std::uint32_t slotCount() const { return m_slots; }
    std::uint32_t header(std::size_t word) const { return m_words[word]; }
    std::uint32_t slot(std::uint32_t i, std::size_t word) const {
        return m_words[kHeaderWords + kSlotWords * i + word];
    }

private:
    std::vector<std::uint32_t> m_words;
    std::uint32_t m_slots;
    FSA_STATUS m_status;
};
