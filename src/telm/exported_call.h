// The boundary of the library's exported calls: an exception (memory used
// up, say) is traced through the debug gate as "<call>.. <why>" and the call
// answers its failure value.
#pragma once

#include "callguard/guarded_call.h"
#include "telm/telm.h"
#include "trace.h"

namespace telm {

template <class Body>
std::invoke_result_t<Body&> exportedCall(const char* fn, std::invoke_result_t<Body&> failure,
                                         Body&& body) noexcept {
    return kor::callguard::guardedCall(
        failure, body, [fn](const char* why) { v3cops_printf(eTxt[kFormat], fn, why); });
}

} // namespace telm
