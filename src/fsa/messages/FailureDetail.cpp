// Failure-detail slots: the operating-system layer's latest failure of each
// kind, formatted into the catalogue message that the kind's status reads.

#include "FailureDetail.h"

#include "Catalogue.h"
#include "FsaMessages.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace fsa_messages;

namespace {

const FailureSlotPair kPairs[] = {
    {FailureSlot::LockOpen, 1165, 1166, FSA_STS_UX_LOCK_OPEN_FAILED, false},
    {FailureSlot::LockClose, 1169, 1170, FSA_STS_UX_LOCK_CLOSE_FAILED, false},
    {FailureSlot::LockCreate, 1171, 1172, FSA_STS_UX_LOCK_CREATE_FAILED, false},
    {FailureSlot::LockFcntl, 1173, 1174, FSA_STS_UX_LOCK_FCNTL_FAILED, false},
    {FailureSlot::Ioctl, 1175, 1176, FSA_STS_UX_IOCTL_FAILED, true},
    {FailureSlot::DebugFile, 1167, 1168, FSA_STS_UX_DEBUG_FILE, false},
};

// The formats live in the catalogue, where anyone may overwrite them. Before
// one is handed to printf its conversions must be exactly those the arguments
// match: "[name,] number, text", with flags, width and precision but no '*',
// length modifier or %n.
bool conversionsMatch(const std::string& format, bool namesCall) {
    const std::string expected = namesCall ? "sds" : "ds";
    std::string found;
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%')
            continue;
        if (++i < format.size() && format[i] == '%')
            continue;
        i = format.find_first_not_of("-+ #0", i);
        i = format.find_first_not_of("0123456789", i);
        if (i < format.size() && format[i] == '.')
            i = format.find_first_not_of("0123456789", i + 1);
        if (i >= format.size())
            return false;
        found += format[i];
    }
    return found == expected;
}

std::string systemText(int err) {
    if (err == 0)
        return {};
    char buffer[256];
    // The GNU strerror_r: thread-safe, returns the text (maybe not in buffer).
    return strerror_r(err, buffer, sizeof buffer);
}

} // namespace

const FailureSlotPair& failureSlotPair(FailureSlot slot) {
    return kPairs[static_cast<std::size_t>(slot)];
}

unsigned int faux_FmtString(FailureSlot slot, int err, const char* callName) {
    const FailureSlotPair& pair = failureSlotPair(slot);
    const std::string errText = systemText(err);
    const CatalogueLock lock;
    MessageSlot format;
    MessageSlot target;
    if (!findMessage(lock, pair.formatId, format) || !findMessage(lock, pair.slotId, target))
        return FSA_MSG_NOT_FOUND;
    const std::string formatText(format.text, strnlen(format.text, format.length));
    if (!conversionsMatch(formatText, pair.namesCall))
        return FSA_MSG_BAD_ARGUMENT;
    char text[640];
    if (pair.namesCall)
        std::snprintf(text, sizeof text, formatText.c_str(), callName ? callName : "", err,
                      errText.c_str());
    else
        std::snprintf(text, sizeof text, formatText.c_str(), err, errText.c_str());
    storeText(target, text, sizeof text);
    return FSA_MSG_DONE;
}
