// Card presence and the entry lookups as the module's own code uses them: an
// exception goes on to the caller's frame, which answers "out of memory"
// rather than "absent" or "not found".
#pragma once

#include "mgmthost/ocs.h"

#include <cstdint>

namespace telmda {

// The presence word: 0 while the card is absent.
std::int16_t presenceWord();
// The entry of `type` named by "oid" (or else "index"); its OID and a copy.
bool objectFromArgs(std::int32_t paramCount, OCSParamList params, std::uint32_t* oid, void* copy,
                    std::uint16_t type);
// The entry of `type` whose key equals `key`, letter case aside.
bool objectByKey(const char* key, std::uint16_t type, std::uint32_t* oid, void* copy);

} // namespace telmda
