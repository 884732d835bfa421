#include "CoreHandlers.h"

namespace qorsim {

void registerAdapterFibs(Simulator& sim) {
    sim.registerFib(500, [](FibRequest& r) { r.sim.dispatchContainerFib(r); });
    sim.registerFib(700, [](FibRequest& r) { r.sim.dispatchAifRequest(r); });
    sim.registerFib(701, [](FibRequest& r) { // CheckRevision
        r.setWord(0, r.adapter.firmwareCompatible ? 1 : 0);
        r.setWord(1, r.adapter.firmware.external);
        r.setWord(2, r.adapter.firmware.build);
        r.setReplySize(kFibHeader + 12);
    });
    sim.registerFib(703, [](FibRequest& r) { // RequestAdapterInfo
        for (std::size_t i = 0; i < r.adapter.info.size(); ++i)
            r.setWord(i, r.adapter.info[i]);
        r.setReplySize(static_cast<std::uint16_t>(kFibHeader + 4 * r.adapter.info.size()));
    });
    sim.registerFib(704, [](FibRequest& r) { // IsAdapterPaused
        r.setWord(0, r.adapter.paused ? 1 : 0);
        r.setReplySize(kFibHeader + 4);
    });
}

} // namespace qorsim
