// Entry tables: the whole-entry set. It finds the working entry (the one
// holding the key, the one at "index", or a free one), adds the key when the
// entry is new, then sets the table's fields in their order and lists those
// that failed.
#include "answer.h"
#include "card_object.h"
#include "entry_engine.h"
#include "lifecycle.h"
#include "lookups.h"

#include <cstring>
#include <strings.h>

namespace telmda {
namespace {

constexpr const char* kSource = "TELMDA";

struct Outcome {
    std::int32_t status = TELMDA_STATUS_MISSING_INPUT;
    std::string message;
    bool hasMessage = false;

    void set(std::int32_t s, std::string m) {
        status = s;
        message = std::move(m);
        hasMessage = true;
    }
};

void takeEntry(const CardObject& object, std::uint32_t* oid, EntryCopy* copy) {
    *oid = object.view().oid();
    object.copyTo(copy->bytes);
}

// Finds the working entry; false (with the outcome) when the set stops.
bool workingEntry(std::int32_t count, OCSParamList params, const EntryTable& table,
                  const std::string& key, bool* existed, std::uint32_t* oid, EntryCopy* copy,
                  Outcome& out) {
    const char* indexText = paramText(count, params, "index");
    const bool byIndex = indexText != nullptr;
    const std::uint32_t index = byIndex ? OCSASCIIToUnSigned32(indexText) : 0;
    const int shownIndex = static_cast<int>(index);

    *existed = (byIndex || !table.addsWithoutKeySearch) &&
               objectByKey(key.c_str(), table.type, oid, copy->bytes);
    if (!byIndex) {
        if (*existed || nextFreeEntry(table, oid, copy->bytes))
            return true;
        out.set(table.noFreeStatus, "Unable to retrieve index of free object");
        return false;
    }
    const CardObject at = CardObject::byType(TELMDA_INSTANCE_ROOT_OID, table.type, index);
    const bool rightType = at && at.view().type() == table.type;
    if (*existed) {
        if (!rightType) {
            out.set(TELMDA_STATUS_MISSING_INPUT, format(table.internalErrorFormat, shownIndex));
            return false;
        }
        if (strcasecmp(entryKey(table, at.raw()).c_str(), key.c_str()) != 0) {
            out.set(table.existsStatus, format(table.existsFormat, key.c_str()));
            return false;
        }
        takeEntry(at, oid, copy); // the addressed entry holds the key
        return true;
    }
    if (!at) {
        out.set(TELMDA_STATUS_WRONG_OBJECT,
                format("Object not found with instance %d", shownIndex));
        return false;
    }
    if (!rightType) {
        out.set(TELMDA_STATUS_WRONG_OBJECT,
                format("Object not found (2) with instance %d", shownIndex));
        return false;
    }
    if (!entryKey(table, at.raw()).empty()) {
        out.set(TELMDA_STATUS_WRONG_OBJECT,
                format("Valid Object already exists at with instance %d", shownIndex));
        return false;
    }
    takeEntry(at, oid, copy);
    return true;
}

void logChange(const EntryTable& table, const char* userInfo, const std::string& key) {
    XmlBuffer log;
    if (!log)
        return;
    OCSDASBufCatSetCmdParam(log.get(), table.keyParam, nullptr, nullptr, key.c_str(),
                            OCS_KIND_TEXT);
    OCSAppendToCmdLog(table.changeLogId, userInfo, kSource, log.text(), 4);
}

Outcome processEntry(std::int32_t count, OCSParamList params, const EntryTable& table,
                     const char* requestedKey) {
    Outcome out;
    // The key is searched for as it will be stored.
    const std::string key = std::string(requestedKey).substr(0, table.keyCut);
    bool existed = false;
    std::uint32_t oid = 0;
    EntryCopy copy;
    if (!workingEntry(count, params, table, key, &existed, &oid, &copy, out))
        return out;

    if (!existed) {
        if (table.passwordParam && !paramText(count, params, table.passwordParam)) {
            out.set(TELMDA_STATUS_MISSING_INPUT, table.noPasswordMessage);
            return out;
        }
        const std::int32_t added =
            setEntryFieldStatus(count, params, table, table.keyParam, table.keyField, oid,
                                copy.bytes, TELMDA_ENTRY_ADD);
        if (added != 0) {
            out.set(added, format(table.addFailedFormat, static_cast<int>(added)));
            return out;
        }
    }

    std::string failures = "Failed Command List::";
    bool failed = false, changed = false;
    for (std::size_t i = 0; i < table.wholeSetFieldCount; ++i) {
        const EntryField* field = entryField(table, table.wholeSetFields[i]);
        const std::int32_t status = setEntryFieldStatus(
            count, params, table, field->param, field->id, oid, copy.bytes, TELMDA_ENTRY_UPDATE);
        if (status == 0) {
            changed = true;
        } else if (status != TELMDA_STATUS_MISSING_INPUT) {
            failures += std::string(" ") + field->param;
            failed = true;
        }
    }
    if (failed)
        out.set(TELMDA_STATUS_FAILED_LIST, failures);
    else
        out = Outcome{0, std::string(), false};

    if (existed && changed) {
        const char* userInfo = nullptr;
        if (OCSDASNVPValToXVal(count, params, "qvausrinfo", OCS_KIND_TEXT, &userInfo) != 0) {
            if (failed)
                out.set(out.status,
                        format("%s value missing %d", "UserInfo", static_cast<int>(count)));
            return out;
        }
        logChange(table, userInfo, key);
    }
    return out;
}

} // namespace

std::int32_t processWholeEntry(std::int32_t count, OCSParamList params, const EntryTable& table,
                               OCSXBuf* buf, const char* key) {
    const Outcome out = key ? processEntry(count, params, table, key) : Outcome{};
    OCSDASCatSMStatusNode(buf, out.status, out.hasMessage ? out.message.c_str() : nullptr);
    return out.status;
}

char* wholeEntryCommand(std::int32_t count, OCSParamList params, const EntryTable& table) {
    return runHandler(count, params, table.entryHelp, [&](Answer& answer) {
        const char* key = paramText(count, params, table.keyParam);
        // An empty key would find a free entry as if it were in use.
        if (!key || *key == '\0')
            return answer.setStatus(TELMDA_STATUS_MISSING_INPUT);
        const ContextLockGuard lock(contextLock());
        // The set's own status node carries the message; the frame adds a
        // second one with the same status.
        answer.setStatus(processWholeEntry(count, params, table, answer.buf(), key));
    });
}

} // namespace telmda
