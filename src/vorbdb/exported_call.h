// The boundary of the library's exported functions and natives: an exception
// (a database too large for the memory left, say) is traced, always, and the
// call answers its failure value.
#pragma once

#include "callguard/guarded_call.h"
#include "trace.h"

namespace vorbdb {

template <class Body>
std::invoke_result_t<Body&> exportedCall(const char* name, std::invoke_result_t<Body&> failure,
                                         Body&& body) noexcept {
    return kor::callguard::guardedCall(failure, body, [name](const char* why) {
        trace(kTraceAlways, "\n%s failed: %s", name, why);
    });
}

} // namespace vorbdb
