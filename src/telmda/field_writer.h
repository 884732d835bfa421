// Writes an object's fields as child elements, one per field of its layout,
// each read within the object's bounds.
#pragma once

#include "card_object.h"
#include "object_layouts.h"

namespace telmda {

void writeFields(OCSXBuf* buf, const ObjectLayout& layout, const ObjectView& view);

} // namespace telmda
