#include "card_object.h"

#include "object_layouts.h"
#include "telmda/card_objects.h"

#include <algorithm>
#include <cstring>

namespace telmda {

ObjectView::ObjectView(const void* object) {
    if (!object)
        return;
    std::uint32_t size = 0;
    std::memcpy(&size, object, sizeof size);
    if (size < 16)
        return;
    m_bytes = static_cast<const std::uint8_t*>(object);
    m_size = size;
}

std::uint64_t ObjectView::number(std::size_t offset, std::size_t width) const {
    if (!m_bytes || offset > m_size || width > m_size - offset)
        return 0;
    std::uint64_t v = 0;
    for (std::size_t i = 0; i < width; ++i)
        v |= std::uint64_t(m_bytes[offset + i]) << (8 * i);
    return v;
}

std::uint8_t ObjectView::u8(std::size_t offset) const {
    return static_cast<std::uint8_t>(number(offset, 1));
}
std::uint16_t ObjectView::u16(std::size_t offset) const {
    return static_cast<std::uint16_t>(number(offset, 2));
}
std::uint32_t ObjectView::u32(std::size_t offset) const {
    return static_cast<std::uint32_t>(number(offset, 4));
}

std::string ObjectView::text(std::size_t offset, std::size_t width) const {
    if (!m_bytes || offset >= m_size)
        return std::string();
    std::size_t limit = m_size - offset;
    if (width != 0 && width < limit)
        limit = width;
    const auto* start = reinterpret_cast<const char*>(m_bytes + offset);
    const void* nul = std::memchr(start, 0, limit);
    return std::string(start, nul ? static_cast<const char*>(nul) - start : limit);
}

CardObject::CardObject(void* raw) : m_raw(raw), m_view(raw) {
    if (!m_raw)
        return;
    const std::uint32_t size = m_view.valid() ? m_view.size() : 0;
    if (size < minimumSize(m_view.type()) ||
        (isEntryType(m_view.type()) && size > TELMDA_COPY_AREA_SIZE)) {
        m_raw.reset();
        m_view = ObjectView(nullptr);
    }
}

bool CardObject::isEntryType(std::uint16_t type) {
    switch (type) {
    case TELMDA_OBJ_USER:
    case TELMDA_OBJ_TRAP:
    case TELMDA_OBJ_DEMAND_DIAL:
    case TELMDA_OBJ_DIALIN_USER:
        return true;
    default:
        return false;
    }
}

void CardObject::copyTo(void* area) const {
    if (area && m_raw)
        std::memcpy(area, m_raw.get(), std::min<std::size_t>(m_view.size(), TELMDA_COPY_AREA_SIZE));
}

CardObject CardObject::byOid(std::uint32_t oid) {
    return CardObject(SMILGetObjByOID(&oid));
}

CardObject CardObject::byType(std::uint32_t parent, std::uint16_t type, std::uint32_t instance) {
    return CardObject(SMILGetObjByType(&parent, type, instance));
}

CardObject CardObject::cardObject(std::uint16_t type) {
    return byType(TELMDA_CARD_ROOT_OID, type, 0);
}

} // namespace telmda
