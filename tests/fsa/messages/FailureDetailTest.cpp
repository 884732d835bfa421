#include "FailureDetail.h"
#include "FsaMessages.h"
#include "MessageFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

using fsa_test::messageTexts;
using fsa_test::readMessage;

namespace {

class FailureDetail : public fsa_test::FreshCatalogue {};

struct SlotFacts {
    FailureSlot slot;
    unsigned formatId;
    unsigned slotId;
    unsigned status;
    std::size_t slotLength;
    const char* format; // as the system's texts have it
};

const SlotFacts kSlots[] = {
    {FailureSlot::LockOpen, 1165, 1166, 475, 69, "Failed to open adapter lock file, %3d=%.30s."},
    {FailureSlot::LockClose, 1169, 1170, 476, 70, "Failed to close adapter lock file, %3d=%.30s."},
    {FailureSlot::LockCreate, 1171, 1172, 477, 71,
     "Failed to create adapter lock file, %3d=%.30s."},
    {FailureSlot::LockFcntl, 1173, 1174, 478, 76,
     "Failed to lock/unlock adapter lock file, %3d=%.30s."},
    {FailureSlot::Ioctl, 1175, 1176, 479, 111,
     "The driver could not execute the requested IOCTL %.25s, %3d=%.30s."},
    {FailureSlot::DebugFile, 1167, 1168, 502, 62, "Failed to open debug file, %3d=%.30s."},
};

std::string expectedText(const SlotFacts& s, const char* name, int err) {
    const char* errText = err == 0 ? "" : std::strerror(err);
    char text[640];
    if (s.slot == FailureSlot::Ioctl)
        std::snprintf(text, sizeof text, s.format, name, err, errText);
    else
        std::snprintf(text, sizeof text, s.format, err, errText);
    return std::string(text).substr(0, s.slotLength);
}

std::string statusText(unsigned status) {
    char text[FSA_ERROR_TEXT_SIZE];
    EXPECT_EQ(FsaGetErrorTextA(static_cast<FSA_STATUS>(status), text), 1) << status;
    return text;
}

TEST_F(FailureDetail, PairsNameTheirFormatSlotAndStatus) {
    for (const SlotFacts& s : kSlots) {
        const FailureSlotPair& pair = failureSlotPair(s.slot);
        EXPECT_EQ(pair.slot, s.slot);
        EXPECT_EQ(pair.formatId, s.formatId);
        EXPECT_EQ(pair.slotId, s.slotId);
        EXPECT_EQ(static_cast<unsigned>(pair.status), s.status);
        EXPECT_EQ(pair.namesCall, s.slot == FailureSlot::Ioctl);
        EXPECT_EQ(readMessage(s.formatId), s.format);
        EXPECT_EQ(readMessage(s.slotId).size(), s.slotLength);
        // Before any failure the status reads the placeholder.
        EXPECT_EQ(statusText(s.status), messageTexts().at(s.slotId));
    }
}

TEST_F(FailureDetail, EachSlotHoldsItsFormatAppliedAndNeverMore) {
    const std::string longName = "AN_IOCTL_NAME_LONGER_THAN_ITS_ROOM";
    struct Values {
        const char* name;
        int err;
    };
    const Values values[] = {
        {"SENDFIB", 5},    // the common case
        {"QUERY_DISK", 0}, // no errno: empty system text
        {"FSACTL_MINIPORT_REV_CHECK", 13},
        {longName.c_str(), 2},      // name cut by the format's precision
        {"DELETE_DISK", 123456789}, // number wider than its room: cut to the slot
        {"SENDFIB", -1},
    };
    for (const SlotFacts& s : kSlots) {
        for (const Values& v : values) {
            SCOPED_TRACE(std::to_string(s.slotId) + " " + v.name + " " + std::to_string(v.err));
            ASSERT_EQ(faux_FmtString(s.slot, v.err, v.name), FSA_MSG_DONE);
            const std::string expected = expectedText(s, v.name, v.err);
            EXPECT_EQ(statusText(s.status), expected);
            EXPECT_EQ(readMessage(s.slotId), expected);
            unsigned size = 0;
            EXPECT_EQ(FsaGetStringA(nullptr, &size, s.slotId), FSA_MSG_BUFFER_TOO_SMALL);
            EXPECT_EQ(size, s.slotLength + 1);
            EXPECT_EQ(readMessage(s.formatId), s.format);
            EXPECT_EQ(readMessage(s.slotId + 1), messageTexts().at(s.slotId + 1));
        }
    }
}

TEST_F(FailureDetail, IoctlDetailsReadAsTheSystemWouldPrintThem) {
    ASSERT_EQ(faux_FmtString(FailureSlot::Ioctl, 5, "SENDFIB"), FSA_MSG_DONE);
    EXPECT_EQ(statusText(479), std::string("The driver could not execute the requested IOCTL "
                                           "SENDFIB,   5=") +
                                   std::strerror(5) + ".");
    ASSERT_EQ(faux_FmtString(FailureSlot::Ioctl, 0, nullptr), FSA_MSG_DONE);
    EXPECT_EQ(statusText(479), "The driver could not execute the requested IOCTL ,   0=.");
    ASSERT_EQ(faux_FmtString(FailureSlot::LockOpen, 0), FSA_MSG_DONE);
    EXPECT_EQ(statusText(475), "Failed to open adapter lock file,   0=.");
}

TEST_F(FailureDetail, AFormatRewrittenWithOtherConversionsIsNotUsed) {
    const std::string placeholder = messageTexts().at(1176);
    const char* const refused[] = {"%s %s %s %s", "%n%3d=%.30s", "%.*s, %3d=%.30s",
                                   "%d %s %s",    "%ld %s",      "IOCTL %.25s, %3d=%"};
    for (const char* format : refused) {
        SCOPED_TRACE(format);
        unsigned size = 320;
        ASSERT_EQ(FsaPutStringA(format, &size, 1175), FSA_MSG_DONE);
        EXPECT_NE(faux_FmtString(FailureSlot::Ioctl, 5, "SENDFIB"), FSA_MSG_DONE);
        EXPECT_EQ(readMessage(1176), placeholder);
    }
    unsigned size = 320;
    ASSERT_EQ(FsaPutStringA("%%%-5.3s|%03d|%.4s", &size, 1175), FSA_MSG_DONE);
    ASSERT_EQ(faux_FmtString(FailureSlot::Ioctl, 7, "SENDFIB"), FSA_MSG_DONE);
    EXPECT_EQ(readMessage(1176), std::string("%SEN  |007|") + std::string(std::strerror(7), 4));
}

} // namespace
