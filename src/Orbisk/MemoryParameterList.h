#pragma once
// The memory parameter list carried in memory device descriptors:
// total KB, ":", module count (at least two digits), ":", the module names
// joined by ":" (e.g. "524288:04:DIMM A1:DIMM A2:DIMM B1:DIMM B2").

#include <optional>
#include <string>
#include <vector>

namespace VarnDiags::DeviceEnum {

struct MemoryParameters {
    unsigned long totalKB = 0;
    std::vector<std::string> names; // one per module
};

// Names must not contain ":" (the facts reader replaces it).
std::string formatMemoryParameters(const MemoryParameters& parameters);

// Nothing when the text is not a parameter list: no ":" after the total or
// after the count, a field that is not a decimal number, or a count beyond
// 16 bits. Names missing at the end read as empty; the last name takes the
// rest of the text.
std::optional<MemoryParameters> parseMemoryParameters(const char* text);

// The decimal number at the start of `text` up to the first ":" or the end;
// nothing when that is not a plain decimal number.
std::optional<unsigned long> leadingNumber(const std::string& text);

} // namespace VarnDiags::DeviceEnum
