// The capability-filter elements as the entry answers write them: an
// exception goes on to the answer's frame.
#pragma once

#include "mgmthost/ocs.h"

#include <cstdint>

namespace telmda {

enum class CapabilityFilters { Card, System };

// One element per event row of `rows`: capable, and selected by the filter.
void writeCapabilityFilters(OCSXBuf* buf, CapabilityFilters rows, std::uint32_t filterWord,
                            std::uint32_t capabilityWord);

} // namespace telmda
