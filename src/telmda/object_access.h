// Object elements and lookups as the module's own code uses them: an
// exception goes on to the caller's frame.
#pragma once

#include "mgmthost/ocs.h"

#include <cstdint>

namespace telmda {

// What objectNode appends: an opened element, an empty one, or nothing.
namespace ObjectNode {
constexpr int Begin = 1;
constexpr int Empty = 2;
} // namespace ObjectNode

// The object's element with its OID and status attributes and `extra`
// attributes; -1 (nothing appended) when there is no object, else 0.
int objectNode(int mode, const void* object, OCSXBuf* buf, const char* name, const char* extra);
// The instance-th child of `type` under the parent (a copy to release), or none.
void* objectByType(const std::uint32_t* parentOid, std::uint16_t type, std::uint32_t instance);

} // namespace telmda
