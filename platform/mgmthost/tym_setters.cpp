// Card setters: each writes one field of the stored card object (the data
// manager stand-in's store) and journals the call; results can be forced.
#include "mgmthost/hipsetobj.h"
#include "mgmthost/mgmthost_standin.h"
#include "smil/smil_standin.h"
#include "telmda/card_objects.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace tym_standin {
namespace {

// Results of our own: the object named is missing or of another type, or
// the value does not fit its field.
constexpr int32_t kNoSuchObject = 0x100;
constexpr int32_t kValueTooLong = 0x102;

struct Field {
    const char* name;
    uint16_t type;
    std::size_t offset;
    std::size_t width; // bytes; 0 = a text that runs to the object's end
};

// Where each setter writes: the settable fields of the card objects.
const Field kFields[] = {
#define CARD_FIELD(object, offset, width, kind, element)
#define CARD_SETTING(object, offset, width, kind, element, host, ...)                              \
    {#host, object, offset, width},
#include "telmda/card_fields.def"
};

struct State {
    std::mutex mutex;
    std::vector<SetterCall> calls;
    std::map<std::string, int32_t> forced;
};

State& state() {
    static State* s = new State;
    return *s;
}

const Field* fieldNamed(const char* name) {
    for (const Field& f : kFields)
        if (std::strcmp(f.name, name) == 0)
            return &f;
    return nullptr;
}

// Records the call; answers a forced result, else writes the value bytes
// into the stored object when it is of the setter's type and the value fits.
int32_t apply(const char* fieldName, const uint32_t* oid, const std::string& shown,
              const void* data, std::size_t len, bool isText) {
    const std::string function = std::string("HIPSetObjTYMCfg") + fieldName;
    State& s = state();
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.calls.push_back({function, oid ? *oid : 0, shown});
        auto forced = s.forced.find(function);
        if (forced != s.forced.end())
            return forced->second;
    }
    if (!oid)
        return kNoSuchObject;
    const std::vector<uint8_t> bytes = smil_standin::objectBytes(*oid);
    const Field* f = fieldNamed(fieldName);
    if (bytes.size() < 16 || !f || (bytes[8] | bytes[9] << 8) != f->type)
        return kNoSuchObject;
    const std::size_t width =
        f->width ? f->width : (bytes.size() > f->offset ? bytes.size() - f->offset : 0);
    std::vector<uint8_t> value(static_cast<const uint8_t*>(data),
                               static_cast<const uint8_t*>(data) + len);
    if (isText) {
        if (len + 1 > width)
            return kValueTooLong;
        value.resize(width, 0); // the rest of the field cleared
    }
    return smil_standin::writeBytes(*oid, f->offset, value.data(), value.size()) ? 0
                                                                                 : kNoSuchObject;
}

template <typename T> int32_t applyNumber(const char* fieldName, const uint32_t* oid, T value) {
    return apply(fieldName, oid, std::to_string(value), &value, sizeof value, false);
}

} // namespace

std::vector<SetterCall> calls() {
    std::lock_guard<std::mutex> lock(state().mutex);
    return state().calls;
}

void setResult(const std::string& function, int32_t result) {
    std::lock_guard<std::mutex> lock(state().mutex);
    if (result == 0)
        state().forced.erase(function);
    else
        state().forced[function] = result;
}

void reset() {
    std::lock_guard<std::mutex> lock(state().mutex);
    state().calls.clear();
    state().forced.clear();
}

} // namespace tym_standin

using namespace tym_standin;

extern "C" {

#define DEFINE_OBJ_TEXT(n)                                                                         \
    int32_t HIPSetObjTYMCfg##n(const uint32_t* oid, const char* value) {                           \
        const char* v = value ? value : "";                                                        \
        return apply(#n, oid, v, v, std::strlen(v), true);                                         \
    }
#define DEFINE_NUMBER(n, type)                                                                     \
    int32_t HIPSetObjTYMCfg##n(const uint32_t* oid, type value) {                                  \
        return applyNumber(#n, oid, value);                                                        \
    }
#define DEFINE_BOOLEAN(n) DEFINE_NUMBER(n, uint16_t)
#define DEFINE_UINT8(n) DEFINE_NUMBER(n, uint8_t)
#define DEFINE_UINT32(n) DEFINE_NUMBER(n, uint32_t)

#define CARD_FIELD(object, offset, width, kind, element)
#define CARD_SETTING(object, offset, width, kind, element, host, ...) DEFINE_##kind(host)
#include "telmda/card_fields.def"

int32_t HIPSetObjTYMMngTymResetSoft(const uint32_t* oid) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.calls.push_back({"HIPSetObjTYMMngTymResetSoft", oid ? *oid : 0, ""});
    auto forced = s.forced.find("HIPSetObjTYMMngTymResetSoft");
    return forced != s.forced.end() ? forced->second : (oid ? 0 : kNoSuchObject);
}

} // extern "C"
