#pragma once

// Host OS type codes as the general information reports them.

#include <cstdint>

constexpr std::uint32_t kOsType3 = 3;
constexpr std::uint32_t kOsLinux = 5; // this library's own host
constexpr std::uint32_t kOsW2K = 10;
