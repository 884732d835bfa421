#pragma once

#include <cstdint>

// Result of every exported controller-library call: 1 is success, every other
// value a failure with a text of its own (FsaGetErrorTextA/W). Values without
// an enumerator are valid statuses too.
enum FSA_STATUS : std::uint32_t {
    FSA_STS_SUCCESS = 1,
};
