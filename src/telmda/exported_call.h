// The body of an exported call: an exception (memory used up, say) must not
// reach the host, the call answers its failure value instead. The module has
// no trace of its own: the failure value is what tells why.
#pragma once

#include "callguard/guarded_call.h"

#include <type_traits>
#include <utility>

namespace telmda {

template <class Body>
std::invoke_result_t<Body&> exportedCall(std::invoke_result_t<Body&> failure,
                                         Body&& body) noexcept {
    return kor::callguard::guardedCall(failure, std::forward<Body>(body), [](const char*) {});
}

// The same for a call that answers nothing.
template <class Body> void exportedCall(Body&& body) noexcept {
    kor::callguard::guardedCall(std::forward<Body>(body), [](const char*) {});
}

} // namespace telmda
