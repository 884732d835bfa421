// Every exported C function and Java native method runs its body through
// guardedCall: an exception that left it would end the caller's process (a
// C caller cannot catch it; in a JVM it ends the JVM). The call answers its
// failure value instead, after `failed` has been told why.
#pragma once

#include <exception>
#include <type_traits>

namespace kor::callguard {

namespace detail {

template <class Failed> void tell(Failed& failed, const char* why) noexcept {
    try {
        failed(why);
    } catch (...) {
        // The failure value is answered all the same.
    }
}

} // namespace detail

// `body()`'s own result, or `failure` should an exception leave it; `failed`
// is then called with the exception's text.
template <class Body, class Failed>
std::invoke_result_t<Body&> guardedCall(std::invoke_result_t<Body&> failure, Body&& body,
                                        Failed&& failed) noexcept {
    try {
        return body();
    } catch (const std::exception& error) {
        detail::tell(failed, error.what());
    } catch (...) {
        detail::tell(failed, "unknown exception");
    }
    return failure;
}

// The same for a call that answers nothing.
template <class Body, class Failed> void guardedCall(Body&& body, Failed&& failed) noexcept {
    try {
        body();
    } catch (const std::exception& error) {
        detail::tell(failed, error.what());
    } catch (...) {
        detail::tell(failed, "unknown exception");
    }
}

} // namespace kor::callguard
