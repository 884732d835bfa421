// The controller's NVRAM and battery state.
#include "FsaMaintenance.h"
#include "MorvaneRaidCtrl.h"

namespace VarnDiags::MorvaneRaidDiag {

namespace {

bool readNvram(void* handle, FSA_NVRAM_INFO& info) {
    info = FSA_NVRAM_INFO{};
    return FsaNvram(handle, FSA_NVRAM_READ_STATUS, &info) == FSA_STS_SUCCESS;
}

} // namespace

unsigned int MorvaneRaidCtrl::getNVRAMstate() {
    FSA_NVRAM_INFO info;
    return readNvram(m_adapterHandle, info) ? info.nvramState : NVRAM_QUERY_FAILED;
}

unsigned int MorvaneRaidCtrl::getNVRAMbatteryState() {
    FSA_NVRAM_INFO info;
    return readNvram(m_adapterHandle, info) ? info.batteryState : BATTERY_QUERY_FAILED;
}

} // namespace VarnDiags::MorvaneRaidDiag
