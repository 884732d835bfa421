// Container commands that the adapter open and the configuration dump send,
// and the SCSI bus information.
#include "CoreHandlers.h"

#include <cstring>

namespace qorsim {

namespace {

std::vector<std::uint8_t> bytesOf(const std::uint32_t* words, std::size_t n) {
    std::vector<std::uint8_t> out(4 * n);
    std::memcpy(out.data(), words, out.size());
    return out;
}

} // namespace

void registerAdapterContainerCommands(Simulator& sim) {
    sim.registerContainer(1, [](CtRequest& c) { // GET_SLICE_COUNT
        c.reply[0] = static_cast<std::uint32_t>(c.adapter.slices.size());
    });
    sim.registerContainer(4, [](CtRequest& c) { // GET_CONTAINER_COUNT
        c.reply[0] = c.adapter.containerCount;
        c.reply[1] = c.adapter.firstHiddenContainer;
        c.reply[2] = c.adapter.partitionCapacity;
    });
    sim.registerContainer(13, [](CtRequest& c) { // READ_SERIAL_NUMBER
        c.data.assign(c.adapter.serialNumber.begin(), c.adapter.serialNumber.end());
    });
    sim.registerContainer(
        64, [](CtRequest& c) { c.reply[0] = c.adapter.scsiMethod; }); // GET_SCSI_METHOD
    sim.registerContainer(73, [](CtRequest& c) {                      // CONTAINER_OPTIONS
        c.reply[0] = 192;
        c.data = bytesOf(c.adapter.containerParams.data(), c.adapter.containerParams.size());
    });
    sim.registerContainer(87, [](CtRequest& c) { // GET_MISC_STATUS
        c.reply[0] = 205;
        c.data = bytesOf(c.adapter.miscStatus.data(), c.adapter.miscStatus.size());
    });
    sim.registerContainer(90, [](CtRequest& c) { // READ_DATA: slice, block
        if (c.param[0] >= c.adapter.slices.size()) {
            c.reply[0] = 207;
            return;
        }
        c.reply[0] = 208;
        c.data.assign(c.replyCapacity, 0);
        const auto& slice = c.adapter.slices[c.param[0]].data;
        const std::size_t from = std::size_t(c.param[1]) * 512;
        if (from < slice.size())
            std::memcpy(c.data.data(), slice.data() + from,
                        std::min(c.data.size(), slice.size() - from));
    });
    sim.registerContainer(95, [](CtRequest& c) { // GET_NVRAM
        c.reply[0] = 213;
        c.data = c.adapter.nvram;
    });
    sim.registerContainer(155, [](CtRequest& c) { // OPEN_READ_WRITE
        c.adapter.eventsOpenedReadWrite = true;
        c.reply[0] = 218;
    });
    sim.registerScsi(9, [](ScsiRequest& s) { // bus information
        if (s.length < 12) {
            s.status = 1;
            return;
        }
        put32(s.data, 4, s.adapter.busCount);
        put32(s.data, 8, s.adapter.maxTarget);
    });
}

} // namespace qorsim
