// Entry tables: the entry-setting routine, the single-field and key
// commands, and removal. Changes run under the context lock, so that two
// requests cannot take the same free entry or rename into each other.
#include "answer.h"
#include "card_object.h"
#include "entry_engine.h"
#include "lifecycle.h"
#include "lookups.h"

#include <algorithm>
#include <cstring>

namespace telmda {
namespace {

constexpr const char* kSource = "TELMDA";

// The key as its setter receives it: in an area of the host's memory, cut to
// the table's length, or the table's removal text in mode 18.
std::int32_t setKey(const EntryTable& table, const EntryField& field, const SetterContext& context,
                    std::uint32_t oid, const char* value, std::int32_t mode) {
    HostMem area(OCSAllocMem(static_cast<std::uint32_t>(table.keyCut + 1)));
    if (!area)
        return TELMDA_STATUS_NO_MEMORY;
    char* text = static_cast<char*>(area.get());
    std::memset(text, 0, table.keyCut + 1);
    const char* source = mode == TELMDA_ENTRY_REMOVE ? table.removedKey : value;
    std::memcpy(text, source, std::min(std::strlen(source), table.keyCut));
    return field.apply(&context, &oid, text, mode, OCSASCIIToBooln);
}

char* statusOnly(std::int32_t count, OCSParamList params, std::int32_t status,
                 const std::string& message) {
    return runHandler(count, params, nullptr,
                      [&](Answer& answer) { answer.setStatus(status, message); });
}

} // namespace

const EntryField* entryField(const EntryTable& table, std::int32_t id) {
    return findSetting(table.group, id);
}

std::int32_t setEntryFieldStatus(std::int32_t count, OCSParamList params, const EntryTable& table,
                                 const char* param, std::int32_t fieldId, std::uint32_t oid,
                                 const void* entry, std::int32_t mode) {
    std::int32_t status = TELMDA_STATUS_NO_MEMORY; // an answer that cannot be had did nothing
    if (char* text = setEntryField(count, params, table, param, fieldId, oid, entry, &status, mode))
        OCSXFreeBufContent(text);
    return status;
}

char* setEntryField(std::int32_t count, OCSParamList params, const EntryTable& table,
                    const char* param, std::int32_t fieldId, std::uint32_t oid, const void* entry,
                    std::int32_t* status, std::int32_t mode) {
    if (!status)
        return nullptr;
    Answer answer;
    if (!answer)
        return nullptr;
    const char* userInfo = nullptr;
    if (requireUserInfo(count, params, answer, &userInfo)) {
        answer.setStatus(TELMDA_STATUS_MISSING_INPUT);
        const char* value = paramText(count, params, param);
        const EntryField* field = entryField(table, fieldId);
        if (!value) {
            answer.setStatus(TELMDA_STATUS_MISSING_INPUT,
                             format("%s value missing %d", param, static_cast<int>(count)));
        } else if (field) {
            const SetterContext context{entry, TELMDA_CARD_ROOT_OID, userInfo, kSource};
            const std::int32_t result =
                fieldId == table.keyField
                    ? setKey(table, *field, context, oid, value, mode)
                    : field->apply(&context, &oid, value, mode, OCSASCIIToBooln);
            if (result != 0)
                answer.setStatus(result, format("value to set(%s) status(%d) ", value,
                                                static_cast<int>(result)));
            else
                answer.setStatus(0);
        }
    }
    *status = answer.status();
    return answer.finish();
}

char* entryFieldCommand(std::int32_t count, OCSParamList params, const EntryTable& table,
                        std::int32_t fieldId) {
    const EntryField* field = entryField(table, fieldId);
    const ContextLockGuard lock(contextLock());
    EntryCopy copy;
    std::uint32_t oid = 0;
    if (!field || !objectFromArgs(count, params, &oid, copy.bytes, table.type))
        return statusOnly(count, params, TELMDA_STATUS_NOT_FOUND,
                          format("%s value missing %d", "OID", static_cast<int>(count)));
    std::int32_t status = 0;
    return setEntryField(count, params, table, field->param, fieldId, oid, copy.bytes, &status,
                         TELMDA_ENTRY_UPDATE);
}

char* entryKeyCommand(std::int32_t count, OCSParamList params, const EntryTable& table) {
    const ContextLockGuard lock(contextLock());
    EntryCopy copy;
    std::uint32_t oid = 0;
    if (!objectFromArgs(count, params, &oid, copy.bytes, table.type))
        return statusOnly(count, params, TELMDA_STATUS_NOT_FOUND,
                          format("%s value missing %d", "OID", static_cast<int>(count)));
    const char* key = paramText(count, params, table.keyParam);
    if (!key)
        return statusOnly(count, params, TELMDA_STATUS_MISSING_INPUT,
                          format("%s value missing %d", table.keyParam, static_cast<int>(count)));
    std::int32_t mode = TELMDA_ENTRY_ADD;
    if (*key == '\0' || (table.zeroAddressRemoves && std::strcmp(key, "0.0.0.0") == 0)) {
        mode = TELMDA_ENTRY_REMOVE;
    } else {
        // The key is compared as it will be stored.
        const std::string stored = std::string(key).substr(0, table.keyCut);
        // The entry that holds the key is the old state of the change.
        std::uint32_t holder = 0;
        EntryCopy held;
        if (objectByKey(stored.c_str(), table.type, &holder, held.bytes)) {
            const char* commandMode = paramText(count, params, "RSCCommandMode");
            if (table.checksCommandMode && commandMode && std::strcmp(commandMode, "ModeAdd") == 0)
                return statusOnly(count, params, TELMDA_STATUS_DUPLICATE,
                                  "User already exists.Cannot add duplicate users.\n");
            if (table.refusesKeyOfAnother && holder != oid)
                return statusOnly(count, params, table.existsStatus,
                                  format(table.existsFormat, stored.c_str()));
            copy = held;
            mode = TELMDA_ENTRY_CHANGE_KEY;
        }
    }
    std::int32_t status = 0;
    return setEntryField(count, params, table, table.keyParam, table.keyField, oid, copy.bytes,
                         &status, mode);
}

char* removeByKeyCommand(std::int32_t count, OCSParamList params, const EntryTable& table) {
    return runHandler(count, params, nullptr, [&](Answer& answer) {
        const char* key = nullptr;
        if (!requireInput(count, params, table.keyParam, OCS_KIND_TEXT, &key, answer))
            return;
        const ContextLockGuard lock(contextLock());
        EntryCopy copy;
        std::uint32_t oid = 0;
        if (!objectByKey(key, table.type, &oid, copy.bytes))
            return answer.setStatus(TELMDA_STATUS_NOT_FOUND, format(table.notFoundFormat, key));
        const std::int32_t status =
            setEntryFieldStatus(count, params, table, table.keyParam, table.keyField, oid,
                                copy.bytes, TELMDA_ENTRY_REMOVE);
        answer.setStatus(status,
                         status == 0 ? std::string() : format(table.deleteFailedFormat, key));
    });
}

char* removeByIndexCommand(std::int32_t count, OCSParamList params, const EntryTable& table) {
    return runHandler(count, params, nullptr, [&](Answer& answer) {
        std::uint32_t index = 0;
        if (!requireInput(count, params, "index", OCS_KIND_UINT32, &index, answer))
            return;
        const ContextLockGuard lock(contextLock());
        const CardObject object = CardObject::byType(TELMDA_INSTANCE_ROOT_OID, table.type, index);
        if (!object || object.view().type() != table.type)
            return answer.setStatus(TELMDA_STATUS_WRONG_OBJECT);
        EntryCopy copy;
        object.copyTo(copy.bytes);
        const std::int32_t status =
            setEntryFieldStatus(count, params, table, "index", table.keyField, object.view().oid(),
                                copy.bytes, TELMDA_ENTRY_REMOVE);
        answer.setStatus(status, status == 0
                                     ? std::string()
                                     : format(table.deleteByIndexFormat, static_cast<int>(index)));
    });
}

} // namespace telmda
