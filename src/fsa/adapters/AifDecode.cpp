// Decoding of event notifications (AIF command 1) into event records.
#include "Aif.h"

#include "FibSend.h"
#include "ScsiCommands.h"
#include "Trace.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t kNotifyAt = 8; // payload byte of the notify record
constexpr std::size_t kNotifyWords = 80;

struct Notify {
    std::uint32_t w[kNotifyWords + 1] = {};
};

void putContainer(FSAAPI_CONTEXT* ctx, FSA_EVENT_DETAILS* d, std::size_t at, std::uint32_t id) {
    tag_FSA_CONTAINER c;
    FsaContainerFromInternalId(ctx, id, &c);
    std::memcpy(&d->words[at], &c, sizeof c);
}

void putDevice(FSAAPI_CONTEXT* ctx, FSA_EVENT_DETAILS* d, std::size_t at, std::uint32_t id) {
    FSA_STORAGE_DEVICE dev;
    SCSI_GetStandardID(ctx, &dev, static_cast<int>(id));
    std::memcpy(&d->words[at], &dev, sizeof dev);
}

// Notify type 7: container sub-kinds.
bool containerSubKind(std::uint32_t kind, std::uint32_t* out) {
    switch (kind) {
    case 1:
    case 3:
    case 13:
    case 14:
    case 15:
    case 26:
    case 27:
    case 29:
    case 30:
    case 31:
    case 36:
    case 39:
        *out = 0;
        return true;
    case 4:
        *out = 1;
        return true;
    case 5:
        *out = 2;
        return true;
    case 6:
        *out = 3;
        return true;
    case 7:
        *out = 4;
        return true;
    case 8:
        *out = 5;
        return true;
    case 10:
        *out = 7;
        return true;
    case 11:
        *out = 8;
        return true;
    case 12:
        *out = 9;
        return true;
    default:
        if (kind >= 16 && kind <= 24) {
            *out = kind - 6;
            return true;
        }
        return false;
    }
}

std::uint32_t enclosure(FSAAPI_CONTEXT* ctx, const Notify& n, FSA_EVENT_DETAILS* d) {
    d->words[0] = n.w[1];
    d->words[1] = n.w[2];
    const std::uint32_t kind = n.w[3];
    if (kind <= 19 || kind == 26) {
        d->words[2] = kind == 26 ? 20 : kind;
        d->words[3] = FsaAdapterSerial(ctx);
        return 0x2000;
    }
    if (kind >= 21 && kind <= 25) {
        d->words[3] = kind - 21;
        putDevice(ctx, d, 0, d->words[1]);
        return 0x100000;
    }
    UtilPrintDebugFormatted(
        "*** WARNING: Adapter sent UNKNOWN enclosure event to API, untranslatpEventDetails: %u, "
        "enclosure processor ID: %u.\n",
        kind, n.w[1]);
    return 0x2000;
}

std::uint32_t battery(FSAAPI_CONTEXT* ctx, const Notify& n, FSA_EVENT_DETAILS* d) {
    const std::uint32_t current = n.w[2];
    const std::uint32_t prior = n.w[3];
    switch (current) {
    case 0:
        d->words[1] = 0;
        d->words[2] = prior == 3 ? 6 : 1;
        break;
    case 1:
        d->words[1] = 2;
        d->words[2] = prior == 3 ? 7 : (prior == 0 ? 2 : 3);
        break;
    case 2:
        d->words[1] = 3;
        d->words[2] = prior == 3 ? 8 : 4;
        break;
    case 3:
        d->words[1] = 1;
        d->words[2] = 5;
        break;
    default:
        UtilPrintDebugFormatted("*** WARNING: Adapter sent UNKNOWN battery current state event to "
                                "API, untranslatpEventDetails: %u.\n",
                                current);
    }
    static const std::uint32_t kPrior[] = {0, 2, 3, 1};
    if (prior <= 3)
        d->words[0] = kPrior[prior];
    else
        UtilPrintDebugFormatted("*** WARNING: Adapter sent UNKNOWN battery prior state event to "
                                "API, untranslated: %u.\n",
                                prior);
    d->words[3] = FsaAdapterSerial(ctx);
    return 0x4000;
}

} // namespace

std::uint32_t ParseAifEventNotifyFib(FSAAPI_CONTEXT* ctx, const _FIB* fib, FSA_EVENT_DETAILS* d) {
    std::memset(d, 0, sizeof *d);
    Notify n;
    // Words past the end of the FIB read as zero.
    std::memcpy(n.w, fib->data + kNotifyAt, std::min(sizeof n.w, sizeof fib->data - kNotifyAt));
    switch (n.w[0]) {
    case 1:
        std::memcpy(d->words, &n.w[1], sizeof d->words);
        return 0x10;
    case 3:
        return 0x4;
    case 4:
        putContainer(ctx, d, 0, n.w[1]);
        return 0x20;
    case 5:
        putDevice(ctx, d, 0, n.w[1]);
        return 0x8;
    case 7: {
        std::uint32_t kind;
        putContainer(ctx, d, 0, n.w[1]);
        if (!containerSubKind(n.w[2], &kind)) {
            UtilPrintDebugFormatted("*** WARNING: Adapter sent UNKNOWN container event to API, "
                                    "untranslatpEventDetails: "
                                    "%u, ctr: %u.\n",
                                    n.w[2], n.w[1]);
            return 0;
        }
        d->words[3] = kind;
        return 0x100;
    }
    case 8:
        putContainer(ctx, d, 0, n.w[1]);
        return 0x80;
    case 9:
        return 0x400;
    case 10:
        return 0x800;
    case 11:
        putContainer(ctx, d, 0, n.w[1]);
        return d->words[0] <= ctx->info.highestContainerNumber ? 0x1000 : 0;
    case 12:
        putContainer(ctx, d, 0, n.w[1]);
        d->words[3] = 19;
        return 0x100;
    case 13:
        return enclosure(ctx, n, d);
    case 14:
        return battery(ctx, n, d);
    case 15:
        putContainer(ctx, d, 0, n.w[1]);
        return 0x20000;
    case 16:
        putContainer(ctx, d, 0, n.w[1]);
        return 0x40000;
    case 18:
        return 0x80000;
    case 19:
        d->words[0] = n.w[1] == 1 ? 2 : (n.w[1] == 2 ? 1 : 100);
        return 0x2000000;
    case 20:
        d->words[0] = n.w[3];
        d->words[1] = n.w[2];
        d->words[2] = n.w[5];
        d->words[3] = n.w[4];
        d->words[8] = (n.w[1] >= 1 && n.w[1] <= 12) ? n.w[1] : (n.w[1] == 13 ? 15 : 100);
        d->words[9] = FsaAdapterSerial(ctx);
        return 0x400000;
    case 21:
        putContainer(ctx, d, 0, n.w[1]);
        putDevice(ctx, d, 3, n.w[3]);
        d->words[6] = 0;
        if (n.w[2] != 41)
            UtilPrintDebugFormatted(
                "*** WARNING: Adapter sent UNKNOWN container scsi event to API, "
                "untranslatpEventDetails: %u, ctr: %u.\n",
                n.w[2], n.w[1]);
        return 0x4000000;
    default:
        UtilPrintDebugFormatted(
            "*** WARNING: Adapter sent UNKNOWN notification to API, untranslated: %u\n", n.w[0]);
        return 0;
    }
}
