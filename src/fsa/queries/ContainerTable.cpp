// The container table of the diagnostic text dump: per container a first
// line, its member containers and a line per partition.
#include "ContainerInfo.h"
#include "ContainerRecordFields.h"
#include "CtWrappers.h"
#include "PartitionFields.h"
#include "TextDump.h"

#include <string>

namespace {

constexpr int kRemembered = 96; // container numbers the shown set holds
const char* const kFurtherIndent = "                                       "; // 39 blanks

// A container's record as the table shows it.
struct Shown {
    cttype record;
    std::uint32_t type = 0;

    std::uint64_t blocks() const { return std::uint64_t(record.words[1]) << 32 | record.words[0]; }
    bool locked() const { return (record.words[2] >> 31) != 0; }
    bool snapshot() const { return type == 5 || type == 6; }
    std::uint32_t members() const { return record.memberCount < 128 ? record.memberCount : 128; }
    const char* typeText() const { return type == 8 ? "PASSTHRU" : ContainerTypeText(type); }
    const char* lockText() const { return locked() ? "YES" : "NO "; }
};

bool isShown(const FSAAPI_CONTEXT* ctx, int n) {
    return n < kRemembered && (ctx->shownContainers[n / 32] >> (n % 32) & 1);
}

void markShown(FSAAPI_CONTEXT* ctx, int n) {
    if (n < kRemembered)
        ctx->shownContainers[n / 32] |= 1u << (n % 32);
}

bool readEntry(FSAAPI_CONTEXT* ctx, std::uint32_t entry, Partition* p) {
    if (!entry)
        return false; // a member that is missing
    CT_GetPartitionInMemory(ctx, entry, p);
    return true;
}

// A member partition of start 0 stands for a member container.
bool isMemberContainer(const Partition& p) {
    return !par::start(p) && par::l0Type(p) != 8;
}

class Printer {
public:
    Printer(FSAAPI_CONTEXT* ctx, FSA_TEXT_CALLBACK cb, void* user)
        : m_ctx(ctx), m_cb(cb), m_user(user) {}

    bool container(int n, int detail) {
        Shown c;
        if (n < 0 || !CT_GetContainer(m_ctx, static_cast<std::uint32_t>(n), &c.record, &c.type) ||
            isShown(m_ctx, n))
            return false;
        markShown(m_ctx, n);
        const std::string size = SizeString(c.blocks());
        Partition first;
        const bool hasFirst = c.members() && readEntry(m_ctx, c.record.members[0], &first);
        if (!c.members())
            MSC_DTprintf(m_cb, m_user, "%-2d    %6s %7s         %-3s %s\n", n, c.typeText(),
                         size.c_str(), c.lockText(), "    ");
        else
            MSC_DTprintf(m_cb, m_user, "%-2d    %6s %7s       %-3s  %s      ", n, c.typeText(),
                         size.c_str(), c.lockText(),
                         (hasFirst ? PChunk(&first) : std::string("    ")).c_str());
        if (c.snapshot()) {
            // The first two related words name the two snapshot containers;
            // the original is the visible backing word of a read-write one,
            // the snapshot word of a read-only one.
            MSC_DTprintf(
                m_cb, m_user, " SNAPSHOT(rw:%d ro:%d original:%d)\n",
                CT_RecordWord(c.record, ctr::kSnapshotA),
                CT_RecordWord(c.record, ctr::kHiddenBacking),
                CT_RecordWord(c.record, c.type == 5 ? ctr::kVisibleBacking : ctr::kSnapshot));
            return true;
        }
        if (!c.members())
            return true;
        m_lineStarted = true;
        if (detail)
            members(c, true);
        if (m_lineStarted)
            MSC_DTprintf(m_cb, m_user, "\n");
        return true;
    }

private:
    const char* indent() {
        const char* text = m_lineStarted ? "  " : kFurtherIndent;
        m_lineStarted = false;
        return text;
    }

    void members(const Shown& c, bool nestedAllowed) {
        for (std::uint32_t i = 0; i < c.members(); ++i) {
            Partition p;
            if (!readEntry(m_ctx, c.record.members[i], &p))
                continue;
            if (!isMemberContainer(p))
                partition(c, c.record.members[i], p);
            else if (nestedAllowed)
                nested(par::l0Number(p));
        }
    }

    // A member container: its own line, then its partitions on lines of
    // their own (the controller nests one level deep).
    void nested(int n) {
        Shown c;
        if (!CT_GetContainer(m_ctx, static_cast<std::uint32_t>(n), &c.record, &c.type))
            return;
        markShown(m_ctx, n);
        Partition first;
        const std::string chunk =
            c.members() && readEntry(m_ctx, c.record.members[0], &first) ? PChunk(&first) : "    ";
        MSC_DTprintf(m_cb, m_user, "%s%-2d%s %-7s%7s  %3s    %s %s", indent(), n, "", c.typeText(),
                     SizeString(c.blocks()).c_str(), c.lockText(), chunk.c_str(), "\n");
        members(c, false);
    }

    void partition(const Shown& c, std::uint32_t entry, const Partition& p) {
        std::uint32_t size = 0, b = 0, d = 0, drive = 0;
        const std::uint32_t slice = par::drive(p); // the controller's table holds the slice
        CT_GetSliceInfo(m_ctx, slice, &size, &b, &d, &drive, nullptr, nullptr);
        const MSC_STAMP t = MSC_DecodeStamp(p);
        // RAID-5 members carry their flag word's low byte in the R5 column.
        char r5[4] = "  ";
        if (c.type == 4)
            std::snprintf(r5, sizeof r5, "%02x", par::u32(p, 84) & 0xFF);
        MSC_DTprintf(m_cb, m_user,
                     "%s%6s %d:%x:%d %3d   %3d   %2d/%2d/%02d %2d:%2d:%2d %04X-%04X-%04X-%04X %04d "
                     "%1d 0x%08x %2s %04X\n",
                     indent(), SizeString(par::size(p)).c_str(), drive >> 7 & 63, drive & 15,
                     drive >> 4 & 7, slice, entry, t.month, t.day, t.year, t.hour, t.minute,
                     t.second, par::u16(p, 18), par::u16(p, 16), par::u16(p, 14), par::u16(p, 12),
                     par::u8(p, 4), par::u8(p, 6), par::start(p), r5, par::flags(p));
    }

    FSAAPI_CONTEXT* m_ctx;
    FSA_TEXT_CALLBACK m_cb;
    void* m_user;
    bool m_lineStarted = false; // the container's first line still takes text
};

} // namespace

bool MSC_ShowContainer(FSAAPI_CONTEXT* ctx, FSA_TEXT_CALLBACK cb, void* user, int n, int header,
                       int detail) {
    if (header) {
        MSC_DTprintf(cb, user,
                     "               TOTAL        FSA         CHUNK  SCSI       PARTI              "
                     "                                SLICE         USER\n");
        MSC_DTprintf(
            cb, user,
            "CONTR TYPE     SIZE   PROT  LOCK SIZE   SIZE  B:T:L SLICE TION  DATE     TIME "
            "    SERIAL NUMBER       BN   A OFFSET     R5 FLAG\n");
        MSC_DTprintf(cb, user,
                     "----- ------  ------- ----  ---- -----  ----- ----- ----- ----- -------- "
                     "-------- ------------------- ---- - ---------- ---------- -- ----\n");
        for (std::uint32_t& mask : ctx->shownContainers)
            mask = 0;
    }
    return Printer(ctx, cb, user).container(n, detail);
}

void MSC_ShowContainerTable(FSAAPI_CONTEXT* ctx, FSA_TEXT_CALLBACK cb, void* user) {
    std::uint32_t a = 0, b = 0;
    const std::uint32_t count = CT_GetContainerCount(ctx, &a, &b);
    for (std::uint32_t i = 0; i < count; ++i)
        if (MSC_ShowContainer(ctx, cb, user, static_cast<int>(i), i == 0, 1))
            MSC_DTprintf(cb, user, "\n");
    MSC_DTprintf(cb, user, "\n\n");
}
