#pragma once
// The engine's one door to the system for the memory under test: each chunk
// is a fresh anonymous mapping, zero-filled by the kernel and placed so that
// the kernel can back it with huge pages. A first touch of a large chunk
// then costs one fault per huge page instead of one per 4 KiB page.
// Where the system gives no huge pages the mapping works the same with
// small pages.

#include <cstddef>

namespace VarnDiags::MemoryDevices {

class ChunkMemory {
public:
    // Maps at least `size` bytes (one page for 0); data() is null when the
    // system refuses the mapping. Nothing is touched here: the pages come
    // into being at their first use.
    explicit ChunkMemory(std::size_t size);
    ~ChunkMemory();
    ChunkMemory(const ChunkMemory&) = delete;
    ChunkMemory& operator=(const ChunkMemory&) = delete;

    char* data() const { return m_data; }

    // The size of one huge page of this system (2 MiB where it cannot tell).
    static std::size_t hugePageSize();

private:
    char* m_data = nullptr;
    std::size_t m_length = 0;
};

} // namespace VarnDiags::MemoryDevices
