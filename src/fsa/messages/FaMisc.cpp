// Status texts: each status reads the catalogue message that the status table
// names, or the generic message when it names none.

#include "FsaMessages.h"
#include "MessageTable.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <cuchar>
#include <cwchar>

using namespace fsa_messages;

namespace {

const std::uint32_t kGenericMessage = 312; // "could not translate message"

// The status's message id, or 0 when the table has no row for it.
std::uint32_t messageOf(FSA_STATUS status) {
    const StatusRow* end = kStatusRows + kStatusRowCount;
    const StatusRow* r =
        std::lower_bound(kStatusRows, end, status,
                         [](const StatusRow& row, std::uint32_t v) { return row.status < v; });
    return r != end && r->status == status ? r->messageId : 0;
}

// A Unicode scalar value. The C library would encode surrogates or values past
// 0x10FFFF into byte sequences that no reader decodes, so they are refused here.
bool isCharacter(FA_WCHAR c) {
    return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF);
}

} // namespace

int FsaGetErrorTextA(FSA_STATUS status, char* text) {
    if (text == nullptr)
        return 0;
    const std::uint32_t id = messageOf(status);
    unsigned int size = FSA_ERROR_TEXT_SIZE;
    const unsigned int read = FsaGetStringA(text, &size, id != 0 ? id : kGenericMessage);
    return id != 0 && read == FSA_MSG_DONE;
}

// The narrow text converted with the process locale. A byte sequence that does
// not convert ends the wide text there rather than leaving garbage behind.
int FsaGetErrorTextW(FSA_STATUS status, FA_WCHAR* text) {
    if (text == nullptr)
        return 0;
    char narrow[FSA_ERROR_TEXT_SIZE] = {};
    const int result = FsaGetErrorTextA(status, narrow);
    std::mbstate_t state{};
    const char* in = narrow;
    const char* const end = narrow + std::strlen(narrow);
    std::size_t out = 0;
    while (in < end) {
        char32_t c;
        const std::size_t used = std::mbrtoc32(&c, in, static_cast<std::size_t>(end - in), &state);
        if (used == 0 || used > static_cast<std::size_t>(end - in))
            break; // invalid or incomplete sequence
        text[out++] = c;
        in += used;
    }
    text[out] = 0;
    return result;
}

int FsaPutErrorTextA(FSA_STATUS status, const char* text) {
    const std::uint32_t id = messageOf(status);
    if (id == 0 || text == nullptr)
        return 0;
    unsigned int size = FSA_ERROR_TEXT_SIZE;
    return FsaPutStringA(text, &size, id) == FSA_MSG_DONE;
}

// Converted with the process locale; a character the locale cannot express
// refuses the whole text, so nothing half-converted is stored. A text longer
// than a status text can be is cut, as the narrow store would cut it.
int FsaPutErrorTextW(FSA_STATUS status, const FA_WCHAR* text) {
    if (text == nullptr)
        return 0;
    char narrow[FSA_ERROR_TEXT_SIZE];
    std::size_t used = 0;
    std::mbstate_t state{};
    for (const FA_WCHAR* c = text; *c != 0; ++c) {
        if (!isCharacter(*c))
            return 0;
        char bytes[MB_LEN_MAX];
        const std::size_t n = std::c32rtomb(bytes, *c, &state);
        if (n == static_cast<std::size_t>(-1))
            return 0;
        if (used + n >= sizeof narrow)
            break;
        std::copy(bytes, bytes + n, narrow + used);
        used += n;
    }
    narrow[used] = '\0';
    return FsaPutErrorTextA(status, narrow);
}
