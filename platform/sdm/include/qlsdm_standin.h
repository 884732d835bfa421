// Control and inspection interface of the SDM library stand-in, for tests in
// the same process. Without a call here the adapters come from the JSON file
// named by QLSDM_STANDIN_FILE, read at the library's first call.
//
// JSON:
// {
//   "verify_delay_ms": 0,                       every verify call waits this long
//   "errors": {"0x20000100": "NVRAM checksum"}, texts of SDGetErrorString
//   "adapters": [{
//     "node_wwn": "21 00 00 e0 8b 01 02 03",
//     "model": "QLA2312", "model_description": "Dual Port",
//     "serial_number": "...", "driver_version": "...", "firmware_version": "...",
//     "chip": {"device_number": 1, "subsystem_id": 265, "bus": 4, "pci_id": 8962, "type": 0},
//     "ports": [{"nvram": 0, "state": 0, "port_wwn": "..."}, ...],
//     "port_count": 2,                          count word of the node record (default: ports)
//     "fail": {"open": CODE, "node": CODE, "port": {"code": CODE, "after": 2}, "chip": CODE}
//   }]
// }
// Codes are numbers or "0x..." texts, and so may the other numbers be. A
// failure with "after": N lets the first N calls of that kind on that adapter
// succeed. Every key is optional but node_wwn; no other key is taken.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qlsdm_standin {

// Replaces the adapters; throws std::runtime_error with a reason on bad input.
void loadJson(const std::string& text);
void loadFile(const std::string& path);

// Handles opened and not yet closed.
std::size_t openHandles();
// One line per call, e.g. "SDOpenDevice 0 = 0 handle 1", "SDVerifyHbaState 1 1 = 0".
std::vector<std::string> journal();
void clearJournal();

// Waits of the verify calls go through this (milliseconds); null restores
// the real sleep. Returns the one replaced.
using Sleeper = void (*)(unsigned milliseconds);
Sleeper setSleeper(Sleeper sleeper);

} // namespace qlsdm_standin
