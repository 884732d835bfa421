#include "setter_engine.h"

#include "card_log_ids.h"
#include "card_object.h"
#include "host.h"

#include "exported_call.h"
#include "telmda/telmda.h"

#include <cstdio>
#include <string>

namespace telmda {
namespace {

constexpr int32_t kCmdLogFlags = 4;

// The stored value and the new one in the form the host's log writer reads.
struct LoggedValue {
    std::string text;
    uint16_t boolean = 0;
    uint32_t number = 0;
    uint8_t code = 0;

    const void* address(const SetterSpec& spec) const {
        switch (spec.call.form) {
        case ValueForm::Boolean:
            return &boolean;
        case ValueForm::UInt32:
            return &number;
        case ValueForm::Code:
            return spec.codeName ? static_cast<const void*>(spec.codeName(code))
                                 : static_cast<const void*>(&code);
        default:
            return text.c_str();
        }
    }
    bool operator==(const LoggedValue& o) const {
        return text == o.text && boolean == o.boolean && number == o.number && code == o.code;
    }
};

LoggedValue storedValue(const SetterSpec& spec, const ObjectView& object) {
    LoggedValue v;
    switch (spec.call.form) {
    case ValueForm::Text:
        v.text = object.text(spec.offset, spec.width);
        break;
    case ValueForm::Boolean:
        v.boolean = object.u16(spec.offset);
        break;
    case ValueForm::Code:
        v.code = object.u8(spec.offset);
        break;
    case ValueForm::UInt32:
        v.number = object.u32(spec.offset);
        break;
    case ValueForm::None:
        break;
    }
    return v;
}

LoggedValue newValue(const SetterSpec& spec, SetterValue value) {
    LoggedValue v;
    switch (spec.call.form) {
    case ValueForm::Text:
        v.text = value.text ? value.text : "";
        break;
    case ValueForm::Boolean:
        v.boolean = static_cast<uint16_t>(value.number);
        break;
    case ValueForm::Code:
        v.code = static_cast<uint8_t>(value.number);
        break;
    case ValueForm::UInt32:
        v.number = value.number;
        break;
    case ValueForm::None:
        break;
    }
    return v;
}

int32_t callHost(const HostSetter& call, const uint32_t* oid, const LoggedValue& v) {
    switch (call.form) {
    case ValueForm::Text:
        return call.text(oid, v.text.c_str());
    case ValueForm::Boolean:
        return call.boolean(oid, v.boolean);
    case ValueForm::Code:
        return call.code(oid, v.code);
    case ValueForm::UInt32:
        return call.uint32(oid, v.number);
    case ValueForm::None:
        return call.reset(oid);
    }
    return -1;
}

void appendLog(uint32_t id, const SetterContext* context, const char* text) {
    OCSAppendToCmdLog(id, context->userInfo, context->source, text, kCmdLogFlags);
}

// Compared and always-logged setters: call, then log the status node and,
// on success, the old and new value.
int32_t setAndLog(const SetterSpec& spec, const SetterContext* context, const uint32_t* oid,
                  const LoggedValue& old, const LoggedValue& value, int32_t unable) {
    XmlBuffer log;
    if (!log)
        return unable;
    const int32_t result = callHost(spec.call, oid, value);
    OCSDASCatSMStatusNode(log.get(), result, nullptr);
    if (result == 0)
        OCSDASBufCatSetCmdParam(log.get(), spec.param, old.address(spec), value.address(spec),
                                nullptr, spec.logKind);
    appendLog(spec.logId, context, log.text());
    return result;
}

bool refused(KeyRefusal rule, const std::string& stored, const std::string& key) {
    switch (rule) {
    case KeyRefusal::ZeroAddressOnFreeSlot:
        return stored.empty() && key == "0.0.0.0";
    case KeyRefusal::EmptyOnFreeSlot:
        return stored.empty() && key.empty();
    case KeyRefusal::None:
        return false;
    }
    return false;
}

int32_t setKey(const SetterSpec& spec, const SetterContext* context, const uint32_t* oid,
               const LoggedValue& stored, const LoggedValue& key, int32_t operation) {
    XmlBuffer log;
    if (!log)
        return -1;
    const int32_t result = refused(spec.refusal, stored.text, key.text)
                               ? TELMDA_STATUS_REFUSED
                               : callHost(spec.call, oid, key);
    OCSDASCatSMStatusNode(log.get(), result, nullptr);
    uint32_t id = log_id::KeyedOther;
    const std::string* logged = nullptr;
    if (result == 0) {
        switch (operation) {
        case TELMDA_ENTRY_ADD:
            id = spec.logId, logged = &key.text;
            break;
        case TELMDA_ENTRY_CHANGE_KEY:
            id = spec.logId + 1, logged = &stored.text;
            break;
        case TELMDA_ENTRY_REMOVE:
            id = spec.logId + 2, logged = &stored.text;
            break;
        default:
            break;
        }
    }
    if (logged)
        OCSDASBufCatSetCmdParam(log.get(), spec.param, nullptr, nullptr, logged->c_str(),
                                spec.logKind);
    appendLog(id, context, log.text());
    return result;
}

} // namespace

int32_t runSetter(const SetterSpec& spec, const SetterContext* context, const uint32_t* oid,
                  SetterValue value, int32_t operation) {
    // Setters are exported: an exception (memory used up, say) answers
    // "out of memory" instead of reaching the host.
    return exportedCall(int32_t{TELMDA_STATUS_NO_MEMORY}, [&]() -> int32_t {
        const int32_t unable = spec.codeName ? TELMDA_STATUS_MISSING_INPUT : -1;
        if (!context || !context->object || !oid)
            return unable;
        const ObjectView object(context->object);
        const LoggedValue fresh = newValue(spec, value);
        switch (spec.shape) {
        case SetterShape::Forward:
            return callHost(spec.call, oid, fresh);
        case SetterShape::TestOrReset: {
            const int32_t result = callHost(spec.call, oid, fresh);
            char line[160];
            std::snprintf(line, sizeof line, spec.line, static_cast<int>(result));
            appendLog(spec.logId, context, line);
            return result;
        }
        case SetterShape::Keyed:
            return setKey(spec, context, oid, storedValue(spec, object), fresh, operation);
        case SetterShape::Compared: {
            const LoggedValue stored = storedValue(spec, object);
            if (stored == fresh)
                return 0;
            return setAndLog(spec, context, oid, stored, fresh, unable);
        }
        case SetterShape::AlwaysLogged:
            return setAndLog(spec, context, oid, storedValue(spec, object), fresh, unable);
        }
        return unable;
    });
}

} // namespace telmda
