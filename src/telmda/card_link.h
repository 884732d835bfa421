// Calls through the card link library, kept loaded while they run.
#pragma once

#include <cstdint>

namespace telmda {

// The card type word of every call: card type 3, direct route, no login.
constexpr int kCardTypeWord = 0x103;

// One use of the binding: binds when needed; the library is not unloaded
// while a use is alive (an unbind meanwhile waits for the last use).
class CardLinkUse {
public:
    CardLinkUse();
    ~CardLinkUse();
    CardLinkUse(const CardLinkUse&) = delete;
    CardLinkUse& operator=(const CardLinkUse&) = delete;

    explicit operator bool() const { return m_active; }
    int objIdGet(int group, int object, int index, char* out, int outLength);
    int objName(const char* command, char* out, int outLength);

private:
    using ObjIdGetFn = int (*)(int, int, int, int, char*, int, int*);
    using ObjNameFn = int (*)(int, const char*, char*, int, int*);
    ObjIdGetFn m_objIdGet = nullptr;
    ObjNameFn m_objName = nullptr;
    bool m_active = false;
};

// At the last detach: frees the cached PPP address and unbinds.
void releaseCardLink();

} // namespace telmda
