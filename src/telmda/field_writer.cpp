#include "field_writer.h"

namespace telmda {

void writeFields(OCSXBuf* buf, const ObjectLayout& layout, const ObjectView& view) {
    for (std::size_t i = 0; i < layout.fieldCount; ++i) {
        const FieldLayout& f = layout.fields[i];
        const char* name = f.element;
        switch (f.kind) {
        case OCS_KIND_OBJ_TEXT: {
            const std::string text = view.text(f.offset, f.width);
            OCSXBufCatNode(buf, name, nullptr, f.kind, text.c_str());
            break;
        }
        case OCS_KIND_BOOLEAN: {
            const uint16_t v = view.u16(f.offset);
            OCSXBufCatNode(buf, name, nullptr, f.kind, &v);
            break;
        }
        case OCS_KIND_UINT8: {
            const uint8_t v = view.u8(f.offset);
            OCSXBufCatNode(buf, name, nullptr, f.kind, &v);
            break;
        }
        default: {
            const uint32_t v = view.u32(f.offset);
            OCSXBufCatNode(buf, name, nullptr, f.kind, &v);
        }
        }
    }
}

} // namespace telmda
