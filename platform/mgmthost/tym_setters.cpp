// Card setters: each writes one field of the stored card object (the data
// manager stand-in's store) and journals the call; results can be forced.
#include "mgmthost/hipsetobj.h"
#include "mgmthost/mgmthost_standin.h"
#include "smil/smil_standin.h"

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

// Where each setter writes, by the card objects' layouts.
const Field kFields[] = {
    {"DialupModemInitString", 293, 80, 0},
    {"DialupDialInBaseIpAddr", 293, 48, 16},
    {"DialupModemBaudRate", 293, 32, 4},
    {"DialupDialInEnable", 293, 40, 2},
    {"DialupDialInDhcpEnable", 293, 44, 2},
    {"DialupDialType", 293, 46, 1},
    {"DialupDialInAuthType", 293, 47, 1},
    {"RhostsSmtpEmailEnable", 294, 20, 2},
    {"RhostsFloppyTftpEnable", 294, 22, 2},
    {"RhostsFwUpdateTftpEnable", 294, 24, 2},
    {"RhostsSmtpSvrIpAddr", 294, 28, 16},
    {"RhostsFloppyTftpIpAddr", 294, 44, 16},
    {"RhostsFloppyTftpPath", 294, 60, 256},
    {"RhostsFwUpdateIpAddr", 294, 316, 16},
    {"RhostsFwUpdatePath", 294, 332, 0},
    {"NicIpAddress", 292, 20, 16},
    {"NicNetMask", 292, 36, 16},
    {"NicGateway", 292, 52, 16},
    {"NicEnable", 292, 68, 2},
    {"NicUseDHCP", 292, 70, 2},
    {"UserName", 295, 60, 20},
    {"UserPassword", 295, 80, 256},
    {"UserPageNumericNumber", 295, 368, 96},
    {"UserPageNumericMessage", 295, 464, 32},
    {"UserPageAlphaNumber", 295, 496, 96},
    {"UserPageAlphaProtocol", 295, 592, 4},
    {"UserPageAlphaCustomMsg", 295, 596, 32},
    {"UserEmailAddress", 295, 628, 64},
    {"UserEmailCustomMsg", 295, 692, 32},
    {"UserPageAlphaPagerId", 295, 788, 32},
    {"UserPageAlphaPassword", 295, 820, 32},
    {"UserPageNumericEnable", 295, 56, 2},
    {"UserPageAlphaEnable", 295, 58, 2},
    {"UserEmailEnable", 295, 852, 2},
    {"UserPageNumericTest", 295, 854, 1},
    {"UserPageAlphaTest", 295, 855, 1},
    {"UserEmailTest", 295, 856, 1},
    {"UserPageAlphaBaudRate", 295, 48, 4},
    {"UserAlertFilterTymEvents", 295, 24, 4},
    {"UserAlertFilterSysEvents", 295, 28, 4},
    {"TrapsDestIpAddr", 296, 40, 16},
    {"TrapsSnmpCommunity", 296, 56, 32},
    {"TrapsEnable", 296, 88, 2},
    {"TrapsTest", 296, 90, 1},
    {"TrapsFilterTymEvents", 296, 24, 4},
    {"TrapsFilterSysEvents", 296, 28, 4},
    {"DemandDialIpAddr", 297, 24, 16},
    {"DemandDialPhoneNumber", 297, 40, 96},
    {"DemandDialPppUserName", 297, 136, 32},
    {"DemandDialPppPassword", 297, 168, 32},
    {"DemandDialAuthType", 297, 200, 1},
    {"DialinUsrCallbackType", 298, 24, 1},
    {"DialinUsrPppUserName", 298, 28, 16},
    {"DialinUsrPppUserPassword", 298, 44, 16},
    {"DialinUsrCallbackNumber", 298, 60, 0},
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

#define DEFINE_TEXT(n)                                                                             \
    int32_t HIPSetObjTYMCfg##n(const uint32_t* oid, const char* value) {                           \
        const char* v = value ? value : "";                                                        \
        return apply(#n, oid, v, v, std::strlen(v), true);                                         \
    }
#define DEFINE_BOOLEAN(n)                                                                          \
    int32_t HIPSetObjTYMCfg##n(const uint32_t* oid, uint16_t value) {                              \
        return applyNumber(#n, oid, value);                                                        \
    }
#define DEFINE_CODE(n)                                                                             \
    int32_t HIPSetObjTYMCfg##n(const uint32_t* oid, uint8_t value) {                               \
        return applyNumber(#n, oid, value);                                                        \
    }
#define DEFINE_UINT32(n)                                                                           \
    int32_t HIPSetObjTYMCfg##n(const uint32_t* oid, uint32_t value) {                              \
        return applyNumber(#n, oid, value);                                                        \
    }

HIP_TEXT_SETTERS(DEFINE_TEXT)
HIP_BOOLEAN_SETTERS(DEFINE_BOOLEAN)
HIP_CODE_SETTERS(DEFINE_CODE)
HIP_UINT32_SETTERS(DEFINE_UINT32)

int32_t HIPSetObjTYMMngTymResetSoft(const uint32_t* oid) {
    State& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.calls.push_back({"HIPSetObjTYMMngTymResetSoft", oid ? *oid : 0, ""});
    auto forced = s.forced.find("HIPSetObjTYMMngTymResetSoft");
    return forced != s.forced.end() ? forced->second : (oid ? 0 : kNoSuchObject);
}

} // extern "C"
