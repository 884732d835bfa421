#pragma once

// Answers each FIB with the next 512 bytes of a fuzzer's input; fails when
// none is left.

#include "DriverRequests.h"
#include "OsPort.h"

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace fsafuzz {

class ReplayPort final : public fsa::OsPort {
public:
    ReplayPort(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}
    int open(const char*, int, unsigned) override { return -1; }
    int close(int) override { return 0; }
    int fcntl(int, int, void*) override { return 0; }
    int ioctl(int, unsigned long request, void* arg) override {
        if (request != FSACTL_SENDFIB || m_used >= m_size) {
            errno = EIO;
            return -1;
        }
        const std::size_t n = std::min<std::size_t>(512, m_size - m_used);
        std::memset(arg, 0, 512);
        std::memcpy(arg, m_data + m_used, n);
        m_used += n;
        return 0;
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_used = 0;
};

} // namespace fsafuzz
