// Partition-table entries and slice facts as a controller might report
// them: the layout must end, list each extent inside its disk's
// numbering and never read or write past a record; creation records of
// any content convert to the older layout within its buffer.
#include "ContainerCreation.h"
#include "PartitionFields.h"
#include "PartitionLayout.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    bool take(void* out, std::size_t n) {
        if (size < n)
            return false;
        std::memcpy(out, data, n);
        data += n;
        size -= n;
        return true;
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Reader r{data, size};
    std::uint8_t counts[2];
    if (!r.take(counts, sizeof counts))
        return 0;
    std::vector<SliceFacts> slices(counts[0] % 8);
    for (SliceFacts& s : slices) {
        std::uint8_t flags = 0;
        if (!r.take(&s.dataBlocks, 4) || !r.take(&s.driveId, 4) || !r.take(&flags, 1))
            return 0;
        s.type = flags & 1 ? 6 : 3;
        s.hasMbr = flags & 2;
    }
    std::vector<FSA_PARTITION_CACHE_ELEMENT> working(counts[1] % 32);
    for (FSA_PARTITION_CACHE_ELEMENT& e : working) {
        if (!r.take(&e.partition, sizeof e.partition))
            return 0;
        static const std::uint32_t states[] = {FSA_PCE_IN_MEMORY, FSA_PCE_ON_DISK,
                                               FSA_PCE_NO_EXTENT};
        e.state = states[e.partition.bytes[1] % 3];
        par::set32(e.partition, par::kDrive, par::drive(e.partition) % 9); // mostly known slices
    }
    LayoutResult out = CT_LayOutPartitions(working, slices, 5);
    for (const FSA_PARTITION_CACHE_ELEMENT& e : out.list)
        if (e.state == FSA_PCE_TAKEN)
            std::abort(); // the working mark never leaks into the list

    CreateContainer record;
    std::memset(&record, 0, sizeof record);
    r.take(&record, std::min(r.size, sizeof record));
    std::vector<std::uint8_t> old(CT_OLD_CREATE_BYTES);
    CT_ConvertToOldCreateRecord(&record, old.data());
    return 0;
}
