// An allocation failure made to order: while a FailingAllocations object
// lives, operator new throws std::bad_alloc for every request of at least the
// given size, as it does once the address space is used up. The test
// program's own operator new does this, and the libraries it loads use it
// too. (An address-space limit cannot serve: the sanitizers' runtime reserves
// far more address space than any limit would leave.)
#pragma once

#include <cstddef>

namespace kortest {

class FailingAllocations {
public:
    explicit FailingAllocations(std::size_t atLeast);
    ~FailingAllocations();
    FailingAllocations(const FailingAllocations&) = delete;
    FailingAllocations& operator=(const FailingAllocations&) = delete;
};

} // namespace kortest
