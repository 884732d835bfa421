// Capability-filter elements: one element per event row, telling whether the
// card can report the event and whether the entry's filter selects it.
#include "capability_filters.h"

#include "exported_call.h"
#include "telmda/card_objects.h"

#include <cstdint>

namespace {

struct FilterRow {
    int32_t shift; // 0 or less: no shift
    uint32_t mask; // 1, 2 or 4
    const char* caption;
    const char* node;
};

const FilterRow tymcFilterTable[] = {
    {-1, 1, "TYMC Temperature Sensors", "TYMCTempSensor1"},
    {-1, 2, "TYMC Temperature Sensors", "TYMCTempSensor2"},
    {-1, 4, "TYMC Temperature Sensors", "TYMCTempSensor3"},
    {4, 1, "TYMC Voltage Sensors", "TYMCVoltSensor1"},
    {4, 2, "TYMC Voltage Sensors", "TYMCVoltSensor2"},
    {4, 4, "TYMC Voltage Sensors", "TYMCVoltSensor3"},
    {8, 1, "TYMC Battery Sensors", "TYMCBatterSensor1"},
    {8, 2, "TYMC Battery Sensors", "TYMCBatterSensor2"},
    {8, 4, "TYMC Battery Sensors", "TYMCBatterSensor3"},
    {12, 1, "TYMC PCI Voltage Sensors", "TYMCPCIVoltSensor1"},
    {12, 2, "TYMC PCI Voltage Sensors", "TYMCPCIVoltSensor2"},
    {12, 4, "TYMC PCI Voltage Sensors", "TYMCPCIVoltSensor3"},
    {16, 1, "TYMC PCI AUX Voltage Sensors", "TYMCPCIAUXVoltSensor1"},
    {16, 2, "TYMC PCI AUX Voltage Sensors", "TYMCPCIAUXVoltSensor2"},
    {16, 4, "TYMC PCI AUX Voltage Sensors", "TYMCPCIAUXVoltSensor3"},
    {20, 1, "TYMC Communication with EMC Restored", "TYMCCommEMCRestoredSensor"},
    {20, 2, "TYMC Communication with EMC lost", "TYMCCommEMCLostSensor"},
    {24, 1, "TYMC Authentication Failure", "TYMCAuthenticationFailSensor"},
    {24, 2, "TYMC Battery Charge Low", "TYMCBatteryChargeLowSensor"},
};

const FilterRow systemFilterTable[] = {
    {-1, 1, "System Temperature Sensors", "SystemTempSensor1"},
    {-1, 2, "System Temperature Sensors", "SystemTempSensor2"},
    {-1, 4, "System Temperature Sensors", "SystemTempSensor3"},
    {4, 1, "System Voltage Sensors", "SystemVoltSensor1"},
    {4, 2, "System Voltage Sensors", "SystemVoltSensor2"},
    {4, 4, "System Voltage Sensors", "SystemVoltSensor3"},
    {8, 1, "System Fan Sensors", "SystemFanSensor1"},
    {8, 2, "System Fan Sensors", "SystemFanSensor2"},
    {8, 4, "System Fan Sensors", "SystemFanSensor3"},
    {12, 1, "System Misc. Sensors", "SystemMiscSensor1"},
    {12, 2, "System Misc. Sensors", "SystemMiscSensor2"},
    {12, 4, "System Misc. Sensors", "SystemMiscSensor3"},
    {16, 1, "System Transition to Power-On State", "SystemTransitToOnState"},
    {16, 2, "System Transition to Powered-Off State", "SystemTransitToOffState"},
    {16, 4, "System Detectecd Hang", "SystemDetectedHang"},
};

template <std::size_t N>
void writeRows(OCSXBuf* buf, const FilterRow (&rows)[N], uint32_t filterWord,
               uint32_t capabilityWord) {
    for (const FilterRow& row : rows) {
        const int32_t s = row.shift > 0 ? row.shift : 0;
        const uint16_t capable = ((capabilityWord >> s) & 15 & row.mask) == row.mask;
        const uint16_t checked = ((filterWord >> s) & 15 & row.mask) == row.mask;
        OCSXBufCatBeginNode(buf, row.node, nullptr);
        OCSXBufCatNode(buf, "Caption", nullptr, OCS_KIND_OBJ_TEXT, row.caption);
        OCSXBufCatNode(buf, "Capable", nullptr, OCS_KIND_BOOLEAN, &capable);
        OCSXBufCatNode(buf, "Checked", nullptr, OCS_KIND_BOOLEAN, &checked);
        OCSXBufCatEndNode(buf, row.node);
    }
}

} // namespace

namespace telmda {

void writeCapabilityFilters(OCSXBuf* buf, CapabilityFilters rows, uint32_t filterWord,
                            uint32_t capabilityWord) {
    if (rows == CapabilityFilters::Card)
        writeRows(buf, tymcFilterTable, filterWord, capabilityWord);
    else
        writeRows(buf, systemFilterTable, filterWord, capabilityWord);
}

} // namespace telmda

using namespace telmda;

extern "C" {

void UpdateTYMCCapabilitiesFilterInfo(OCSXBuf* buf, uint32_t filterWord, uint32_t capabilityWord) {
    exportedCall(
        [&] { writeCapabilityFilters(buf, CapabilityFilters::Card, filterWord, capabilityWord); });
}

void UpdateSystemCapabilitiesFilterInfo(OCSXBuf* buf, uint32_t filterWord,
                                        uint32_t capabilityWord) {
    exportedCall([&] {
        writeCapabilityFilters(buf, CapabilityFilters::System, filterWord, capabilityWord);
    });
}

} // extern "C"
