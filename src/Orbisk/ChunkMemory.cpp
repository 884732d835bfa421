#include "ChunkMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>

namespace VarnDiags::MemoryDevices {

namespace {

constexpr std::size_t FALLBACK_HUGE_PAGE = 2u << 20;

std::size_t roundUp(std::size_t value, std::size_t unit) {
    return (value + unit - 1) / unit * unit;
}

char* mapAnonymous(std::size_t length) {
    void* area =
        ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return area == MAP_FAILED ? nullptr : static_cast<char*>(area);
}

// Reserves `length` bytes plus one huge page and returns the part that
// starts on a huge-page boundary, giving the rest back. Null when the
// reservation does not fit (a tight address-space limit, for one).
char* mapHugeAligned(std::size_t length, std::size_t huge) {
    char* area = mapAnonymous(length + huge);
    if (area == nullptr)
        return nullptr;
    const auto address = reinterpret_cast<std::uintptr_t>(area);
    char* start = area + (roundUp(address, huge) - address);
    if (start != area)
        ::munmap(area, static_cast<std::size_t>(start - area));
    char* end = start + length;
    const std::size_t tail = static_cast<std::size_t>(area + length + huge - end);
    if (tail != 0)
        ::munmap(end, tail);
    return start;
}

} // namespace

std::size_t ChunkMemory::hugePageSize() {
    static const std::size_t size = [] {
        std::size_t bytes = 0;
        std::ifstream file("/sys/kernel/mm/transparent_hugepage/hpage_pmd_size");
        if (file >> bytes && bytes != 0 && (bytes & (bytes - 1)) == 0)
            return bytes;
        return FALLBACK_HUGE_PAGE;
    }();
    return size;
}

ChunkMemory::ChunkMemory(std::size_t size) {
    const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t length = roundUp(size != 0 ? size : 1, page);
    const std::size_t huge = hugePageSize();
    if (length < huge) {
        m_data = mapAnonymous(length);
    } else {
        m_data = mapHugeAligned(length, huge);
        if (m_data == nullptr)
            m_data = mapAnonymous(length); // huge pages are a help, not a need
        // Refused where the system has no huge pages or keeps them from this
        // process: the chunk then simply stays on small pages.
        if (m_data != nullptr)
            (void)::madvise(m_data, length, MADV_HUGEPAGE);
    }
    if (m_data != nullptr)
        m_length = length;
}

ChunkMemory::~ChunkMemory() {
    if (m_data != nullptr)
        ::munmap(m_data, m_length);
}

} // namespace VarnDiags::MemoryDevices
