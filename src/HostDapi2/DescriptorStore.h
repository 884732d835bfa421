#pragma once
// The device descriptor travels from enumeration to the run inside the
// host's device record, as FRU additional information: the first 80
// characters under "VarnDeviceDNAstr", the rest (only when longer) under
// "VarnDeviceDNAstr2".

#include <cstddef>
#include <optional>
#include <string>

struct tag_DapiDiagDevice;

namespace VarnDiags::HostDapi2 {

inline const char* const DESCRIPTOR_KEY = "VarnDeviceDNAstr";
inline const char* const DESCRIPTOR_KEY2 = "VarnDeviceDNAstr2";
inline const char* const DESCRIPTOR_INFO_TEXT =
    "Information needed to recreate the device within the framework";
constexpr std::size_t DESCRIPTOR_SPLIT = 80;

// Stores the descriptor with the host device (see above).
void storeDescriptor(tag_DapiDiagDevice* hostDevice, const std::string& descriptor);

// Rebuilds the descriptor from the host device's entries in the host's
// order: the first key sets it, the second appends. Nothing when the
// device has no FRU record, no first key, a key without a value, or the
// continuation before the first part.
std::optional<std::string> readDescriptor(tag_DapiDiagDevice* hostDevice);

} // namespace VarnDiags::HostDapi2
