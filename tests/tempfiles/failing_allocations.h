// An allocation failure made to order: while a FailingAllocations object
// lives, operator new throws std::bad_alloc for the requests of at least the
// given size (every one, or only the first `times`), as it does once the
// address space is used up. The test
// program's own operator new does this, and the libraries it loads use it
// too. (An address-space limit cannot serve: the sanitizers' runtime reserves
// far more address space than any limit would leave.)
#pragma once

#include <cstddef>
#include <cstdint>

namespace kortest {

class FailingAllocations {
public:
    explicit FailingAllocations(std::size_t atLeast, std::size_t times = SIZE_MAX);
    ~FailingAllocations();
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;
};

} // namespace kortest
