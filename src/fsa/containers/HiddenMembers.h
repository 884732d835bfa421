#pragma once

// Containers that are to become members of another: the host lets go of
// each and it moves to the highest free number, out of the host's sight.
// Until the new container stands, every step can be taken back.

#include "Context.h"

#include <cstdint>
#include <vector>

class HiddenMembers {
public:
    explicit HiddenMembers(FSAAPI_CONTEXT* ctx, int localOnly) : m_ctx(ctx), m_local(localOnly) {}
    HiddenMembers(const HiddenMembers&) = delete;
    HiddenMembers& operator=(const HiddenMembers&) = delete;

    // Hides container `n`; its number then.
    std::uint32_t hide(std::uint32_t n);
    // Moves every hidden member back under its own number and gives its host
    // disk back to the host, last hidden first. Failures here are not
    // reported: the caller reports the failure that made it restore.
    void restore() noexcept;

private:
    struct Member {
        std::uint32_t number;
        std::uint32_t hiddenAs;
        bool released; // the host let go of its disk
    };
    FSAAPI_CONTEXT* m_ctx;
    int m_local;
    std::vector<Member> m_members;
};
