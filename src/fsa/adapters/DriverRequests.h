#pragma once

// The controller driver's requests and their records.

#include <cstdint>

constexpr unsigned long FSACTL_SENDFIB = 0x42008;
constexpr unsigned long FSACTL_OPEN_GET_ADAPTER_FIB = 0x420D0;
constexpr unsigned long FSACTL_GET_NEXT_ADAPTER_FIB = 0x420D4;
constexpr unsigned long FSACTL_CLOSE_GET_ADAPTER_FIB = 0x420D8;
constexpr unsigned long FSACTL_MINIPORT_REV_CHECK = 0x420EC;
constexpr unsigned long FSACTL_GET_PCI_INFO = 0x4211C;
constexpr unsigned long FSACTL_DELETE_DISK = 0x163;
constexpr unsigned long FSACTL_QUERY_DISK = 0x173;

struct FSACTL_GET_NEXT_ARGS {
    std::uint32_t channelId;
    std::uint32_t wait;
    void* fib;
};

struct _UNIX_QUERY_DISK {
    std::int32_t containerNumber;
    std::int32_t bus;
    std::int32_t target;
    std::int32_t lun;
    std::uint32_t valid;
    std::uint32_t locked;
    std::uint32_t deleted;
    std::int32_t instance;
    char diskDeviceName[10];
    char pad[2];
    std::uint32_t unmapped;
};
static_assert(sizeof(_UNIX_QUERY_DISK) == 48, "the query-disk record is 48 bytes");

// FIB command codes.
constexpr std::uint16_t FIB_NU_FILE_SYSTEM = 300;
constexpr std::uint16_t FIB_CONTAINER_COMMAND = 500;
constexpr std::uint16_t FIB_CLUSTER_COMMAND = 550;
constexpr std::uint16_t FIB_AIF_REQUEST = 700;
constexpr std::uint16_t FIB_CHECK_REVISION = 701;
constexpr std::uint16_t FIB_REQUEST_ADAPTER_INFO = 703;
constexpr std::uint16_t FIB_IS_ADAPTER_PAUSED = 704;

constexpr std::uint32_t FIB_XFER_STATE_CALLER = 33;
constexpr std::uint32_t FIB_XFER_STATE_SENT = 0x100001;
constexpr std::uint8_t FIB_STRUCT_TFIB = 1;
