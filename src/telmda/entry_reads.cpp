// Entry tables: the entry element, the list, the free-entry search and the
// queries by oid, index and key.
#include "answer.h"
#include "capability_filters.h"
#include "card_object.h"
#include "entry_engine.h"
#include "field_writer.h"
#include "lookups.h"
#include "object_access.h"
#include "object_layouts.h"

#include <cstdarg>
#include <cstdio>

namespace telmda {
namespace {

std::string indexAttribute(std::uint32_t index) {
    return format("index=\"%u\"", index);
}

} // namespace

std::string format(const char* fmt, ...) {
    char text[512];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(text, sizeof text, fmt, args);
    va_end(args);
    return text;
}

std::string entryKey(const EntryTable& table, const void* object) {
    return ObjectView(object).text(table.keyOffset, table.keyWidth);
}

bool writeEntry(OCSXBuf* buf, const EntryTable& table, const void* object, std::uint16_t* inUse,
                bool showFree, const char* extraAttributes) {
    const ObjectView view(object);
    if (!view.valid() || view.type() != table.type || view.size() < minimumSize(table.type))
        return false;
    const bool used = !entryKey(table, object).empty();
    if (inUse)
        *inUse = used;
    if (!used && !showFree)
        return false;
    const ObjectLayout& layout = *layoutOf(table.type);
    objectNode(ObjectNode::Begin, object, buf, layout.element, extraAttributes);
    writeFields(buf, layout, view);
    if (table.filterCaptions) {
        writeCapabilityFilters(buf, CapabilityFilters::Card, view.u32(24), view.u32(32));
        writeCapabilityFilters(buf, CapabilityFilters::System, view.u32(28), view.u32(36));
    }
    OCSXBufCatEndNode(buf, layout.element);
    return true;
}

bool nextFreeEntry(const EntryTable& table, std::uint32_t* oid, void* copy) {
    const OidList list = childOids(TELMDA_CARD_ROOT_OID, table.type);
    for (std::uint32_t i = 0; i < list.count(); ++i) {
        const CardObject object = CardObject::byOid(list.at(i));
        if (!object || object.view().type() != table.type || !entryKey(table, object.raw()).empty())
            continue;
        if (oid)
            *oid = object.view().oid();
        object.copyTo(copy);
        return true;
    }
    return false;
}

std::int32_t writeEntryList(OCSXBuf* buf, const EntryTable& table, std::uint32_t parent) {
    if (!buf)
        return TELMDA_STATUS_MISSING_INPUT;
    const OidList list = childOids(parent, table.type);
    if (!list)
        return TELMDA_STATUS_NOT_FOUND;
    OCSXBufCatBeginNode(buf, table.listElement, format("count=\"%u\"", list.count()).c_str());
    std::uint32_t valid = 0;
    bool freeShown = false;
    for (std::uint32_t i = 0; i < list.count(); ++i) {
        const CardObject object = CardObject::byOid(list.at(i));
        if (!object) {
            if (table.listStopsAtUnreadable)
                break;
            continue;
        }
        const std::string index = indexAttribute(i);
        std::uint16_t inUse = 0;
        writeEntry(buf, table, object.raw(), &inUse, false, index.c_str());
        if (inUse)
            ++valid;
        else if (!freeShown && object.view().type() == table.type) {
            freeShown = true;
            objectNode(ObjectNode::Begin, object.raw(), buf, table.freeElement, index.c_str());
            OCSXBufCatEndNode(buf, table.freeElement);
        }
    }
    OCSXBufCatNode(buf, "NumValidEntries", nullptr, OCS_KIND_UINT32, &valid);
    OCSXBufCatEndNode(buf, table.listElement);
    if (list.count() == 0) {
        const std::int32_t empty = TELMDA_CUSTOM_EMPTY_LIST;
        OCSXBufCatNode(buf, "CustomStat", nullptr, OCS_KIND_INT32, &empty);
    }
    return 0;
}

char* entryListCommand(std::int32_t count, OCSParamList params, const EntryTable& table) {
    return runHandler(count, params, table.listHelp, [&](Answer& answer) {
        std::uint32_t parent = TELMDA_CARD_ROOT_OID;
        if (table.listFromPoid &&
            !requireInput(count, params, "poid", OCS_KIND_UINT32, &parent, answer))
            return;
        answer.setStatus(writeEntryList(answer.buf(), table, parent));
    });
}

char* nextFreeCommand(std::int32_t count, OCSParamList params, const EntryTable& table) {
    return runHandler(count, params, "required_input:poid", [&](Answer& answer) {
        std::uint32_t oid = 0;
        if (nextFreeEntry(table, &oid, nullptr))
            answer.setStatus(0, format("oid %u", oid));
        else
            answer.setStatus(TELMDA_STATUS_NOT_FOUND, table.fullMessage);
    });
}

char* entryByOidCommand(std::int32_t count, OCSParamList params, const EntryTable& table) {
    return runHandler(count, params, "required_input:oid", [&](Answer& answer) {
        std::uint32_t oid = 0;
        if (!requireInput(count, params, "oid", OCS_KIND_UINT32, &oid, answer))
            return;
        const CardObject object = CardObject::byOid(oid);
        if (!object)
            return answer.setStatus(TELMDA_STATUS_NOT_FOUND);
        if (object.view().type() != table.type)
            return answer.setStatus(TELMDA_STATUS_WRONG_OBJECT);
        writeEntry(answer.buf(), table, object.raw(), nullptr, true, nullptr);
        answer.setStatus(0);
    });
}

char* entryByIndexCommand(std::int32_t count, OCSParamList params, const EntryTable& table) {
    return runHandler(count, params, "required_input:index", [&](Answer& answer) {
        std::uint32_t index = 0;
        if (!requireInput(count, params, "index", OCS_KIND_UINT32, &index, answer))
            return;
        const CardObject object = CardObject::byType(table.indexRoot, table.type, index);
        if (!object) {
            const std::int32_t none = TELMDA_CUSTOM_NO_ENTRY;
            OCSXBufCatNode(answer.buf(), "CustomStat", nullptr, OCS_KIND_INT32, &none);
            return answer.setStatus(TELMDA_STATUS_NOT_FOUND);
        }
        writeEntry(answer.buf(), table, object.raw(), nullptr, table.indexShowsFree, nullptr);
        answer.setStatus(0);
    });
}

char* entryByKeyCommand(std::int32_t count, OCSParamList params, const EntryTable& table) {
    return runHandler(count, params, nullptr, [&](Answer& answer) {
        const char* key = nullptr;
        if (!requireInput(count, params, table.keyParam, OCS_KIND_TEXT, &key, answer))
            return;
        std::uint32_t oid = 0;
        if (!objectByKey(key, table.type, &oid, nullptr))
            return answer.setStatus(TELMDA_STATUS_NOT_FOUND);
        const CardObject object = CardObject::byOid(oid);
        if (!object)
            return answer.setStatus(TELMDA_STATUS_WRONG_OBJECT);
        writeEntry(answer.buf(), table, object.raw(), nullptr, true, nullptr);
        answer.setStatus(0);
    });
}

} // namespace telmda
