// The controller driver's request codes and the byte layout of the command
// blocks it carries, as the simulated controller sees them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace qorsim {

constexpr unsigned long kSendFib = 0x42008;
constexpr unsigned long kOpenGetAdapterFib = 0x420D0;
constexpr unsigned long kGetNextAdapterFib = 0x420D4;
constexpr unsigned long kCloseGetAdapterFib = 0x420D8;
constexpr unsigned long kMiniportRevCheck = 0x420EC;
constexpr unsigned long kPciInfo = 0x4211C;
constexpr unsigned long kDeleteDisk = 0x163;
constexpr unsigned long kQueryDisk = 0x173;

constexpr std::size_t kFibBytes = 512;
constexpr std::size_t kFibHeader = 32;
constexpr std::size_t kFibPayload = kFibBytes - kFibHeader;

// FIB header offsets.
constexpr std::size_t kXferState = 0;
constexpr std::size_t kCommand = 4;
constexpr std::size_t kStructType = 6;
constexpr std::size_t kSize = 8;
constexpr std::size_t kSenderSize = 10;
constexpr std::size_t kSenderData = 20;

// Argument of the next-event request.
struct GetNextArgs {
    std::uint32_t channel;
    std::uint32_t wait;
    void* fib;
};

// Query-disk record (48 bytes).
struct QueryDiskRecord {
    std::int32_t container;
    std::int32_t bus;
    std::int32_t target;
    std::int32_t lun;
    std::uint32_t valid;
    std::uint32_t locked;
    std::uint32_t deleted;
    std::int32_t instance;
    char diskName[10];
    char pad[2];
    std::uint32_t unmapped;
};
static_assert(sizeof(QueryDiskRecord) == 48, "query-disk record is 48 bytes");

inline std::uint32_t get32(const std::uint8_t* p, std::size_t off) {
    std::uint32_t v;
    std::memcpy(&v, p + off, 4);
    return v;
}
inline void put32(std::uint8_t* p, std::size_t off, std::uint32_t v) {
    std::memcpy(p + off, &v, 4);
}
inline std::uint16_t get16(const std::uint8_t* p, std::size_t off) {
    std::uint16_t v;
    std::memcpy(&v, p + off, 2);
    return v;
}
inline void put16(std::uint8_t* p, std::size_t off, std::uint16_t v) {
    std::memcpy(p + off, &v, 2);
}

} // namespace qorsim
