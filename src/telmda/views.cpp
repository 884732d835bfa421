// The read-only views: one element per card object, one child per field.
#include "telmda/views.h"
#include "answer.h"
#include "card_object.h"
#include "exported_call.h"
#include "field_writer.h"
#include "handlers.h"
#include "lookups.h"
#include "object_layouts.h"
#include "telmda/card_objects.h"

#include <initializer_list>

using namespace telmda;

namespace {

// How a writer answers when its object cannot be read.
enum class WhenMissing { WriteNothing, EmptyElement };

// One card object's view.
struct View {
    uint16_t type;
    WhenMissing rule;
};
constexpr View kIdentification{TELMDA_OBJ_IDENTIFICATION, WhenMissing::WriteNothing},
    kControl{TELMDA_OBJ_CONTROL, WhenMissing::WriteNothing},
    kMonitoring{TELMDA_OBJ_MONITORING, WhenMissing::WriteNothing},
    kSnmpAgent{TELMDA_OBJ_SNMP_AGENT, WhenMissing::WriteNothing},
    kCurrentLan{TELMDA_OBJ_CURRENT_LAN, WhenMissing::WriteNothing},
    kLan{TELMDA_OBJ_LAN, WhenMissing::EmptyElement},
    kDialUp{TELMDA_OBJ_DIALUP, WhenMissing::EmptyElement},
    kRemoteHosts{TELMDA_OBJ_REMOTE_HOSTS, WhenMissing::EmptyElement},
    kPresence{TELMDA_OBJ_PRESENCE, WhenMissing::WriteNothing};

void writeObject(OCSXBuf* buf, uint32_t root, const View& view) {
    const ObjectLayout* layout = layoutOf(view.type);
    const CardObject object = CardObject::byType(root, view.type, 0);
    if (!object && view.rule == WhenMissing::WriteNothing)
        return;
    OCSXBufCatBeginNode(buf, layout->element, nullptr);
    if (object)
        writeFields(buf, *layout, object.view());
    OCSXBufCatEndNode(buf, layout->element);
}

// The presence gate of every view: 256 and nothing written while the card is
// absent, else the elements (inside the wrapper when there is one) and 0. An
// exception (memory used up, say) must not reach the host: 272 instead.
int32_t presenceGate(OCSXBuf* buf, uint32_t root, const char* wrapper,
                     std::initializer_list<View> views) noexcept {
    return exportedCall(int32_t{TELMDA_STATUS_NO_MEMORY}, [&]() -> int32_t {
        if (presenceWord() == 0)
            return TELMDA_STATUS_NOT_FOUND;
        if (wrapper)
            OCSXBufCatBeginNode(buf, wrapper, nullptr);
        for (const View& view : views)
            writeObject(buf, root, view);
        if (wrapper)
            OCSXBufCatEndNode(buf, wrapper);
        return 0;
    });
}

// The read commands: help, then the command's gate on the card root.
char* readCommand(int32_t count, OCSParamList params, int32_t (*gate)(OCSXBuf*, uint32_t)) {
    return runHandler(count, params, "required_input:", [&](Answer& answer) {
        answer.setStatus(gate(answer.buf(), TELMDA_CARD_ROOT_OID));
    });
}

} // namespace

extern "C" {

// One writer per card object; the root is the card root. Nothing is
// written past an exception.
void QVRSCGetTYMIdentificationObj(OCSXBuf* b, uint32_t r) {
    exportedCall([&] { writeObject(b, r, kIdentification); });
}
void QVRSCGetTYMCControlObj(OCSXBuf* b, uint32_t r) {
    exportedCall([&] { writeObject(b, r, kControl); });
}
void QVRSCGetMonitoringObj(OCSXBuf* b, uint32_t r) {
    exportedCall([&] { writeObject(b, r, kMonitoring); });
}
void QVRSCGetoobSnmpAgentObj(OCSXBuf* b, uint32_t r) {
    exportedCall([&] { writeObject(b, r, kSnmpAgent); });
}
void QVRSCGetCurrentLanNetworkingObj(OCSXBuf* b, uint32_t r) {
    exportedCall([&] { writeObject(b, r, kCurrentLan); });
}
void QVRSCGetLanNetworkingObj(OCSXBuf* b, uint32_t r) {
    exportedCall([&] { writeObject(b, r, kLan); });
}
void QVTYMCGetDialInNetworkingInfo(OCSXBuf* b, uint32_t r) {
    exportedCall([&] { writeObject(b, r, kDialUp); });
}
void QVTYMCGetRemoteHostObj(OCSXBuf* b, uint32_t r) {
    exportedCall([&] { writeObject(b, r, kRemoteHosts); });
}
// The presence view, written from the presence object itself.
void QVRSCGetVesk3Obj(OCSXBuf* b, uint32_t r) {
    exportedCall([&] { writeObject(b, r, kPresence); });
}

int32_t RetrieveVesk3Obj(OCSXBuf* b, uint32_t r) {
    return presenceGate(b, r, nullptr, {kPresence});
}
int32_t RetrieveControlObj(OCSXBuf* b, uint32_t r) {
    return presenceGate(b, r, nullptr, {kControl});
}
int32_t RetrieveMonitoringObj(OCSXBuf* b, uint32_t r) {
    return presenceGate(b, r, nullptr, {kMonitoring});
}
int32_t RetrieveoobSnmpAgentObj(OCSXBuf* b, uint32_t r) {
    return presenceGate(b, r, nullptr, {kSnmpAgent});
}
int32_t RetrieveCurrentLanNetworkingObj(OCSXBuf* b, uint32_t r) {
    return presenceGate(b, r, nullptr, {kCurrentLan});
}
int32_t RetrieveTYMIdentificationObj(OCSXBuf* b, uint32_t r) {
    return presenceGate(b, r, "TYMCSummaryObj", {kIdentification});
}
int32_t RetrieveSummaryInfo(OCSXBuf* b, uint32_t r) {
    return presenceGate(b, r, "TYMCSummaryObj", {kIdentification, kLan, kCurrentLan});
}
int32_t RetrieveLanNetworkInfo(OCSXBuf* b, uint32_t r) {
    return presenceGate(b, r, nullptr, {kLan, kCurrentLan, kDialUp, kRemoteHosts});
}
int32_t RetrieveLanNetworkingObj(OCSXBuf* b, uint32_t r) {
    return presenceGate(b, r, nullptr, {kLan});
}
int32_t RetrieveCmdRSCGetDialUpNetworkingObj(OCSXBuf* b, uint32_t r) {
    return presenceGate(b, r, nullptr, {kDialUp});
}
int32_t RetrieveRemoteHostObj(OCSXBuf* b, uint32_t r) {
    return presenceGate(b, r, nullptr, {kRemoteHosts});
}

char* CmdRSCGetVesk3Obj(int32_t n, OCSParamList p) {
    return readCommand(n, p, RetrieveVesk3Obj);
}
char* CmdRSCGetControlObj(int32_t n, OCSParamList p) {
    return readCommand(n, p, RetrieveControlObj);
}
char* CmdRSCGetMonitoringObj(int32_t n, OCSParamList p) {
    return readCommand(n, p, RetrieveMonitoringObj);
}
char* CmdRSCGetoobSnmpAgentObj(int32_t n, OCSParamList p) {
    return readCommand(n, p, RetrieveoobSnmpAgentObj);
}
char* CmdRSCGetCurrentLanNetworkingObj(int32_t n, OCSParamList p) {
    return readCommand(n, p, RetrieveCurrentLanNetworkingObj);
}
char* CmdRSCGetTYMIdentificationObj(int32_t n, OCSParamList p) {
    return readCommand(n, p, RetrieveTYMIdentificationObj);
}
char* CmdRSCGetSummary(int32_t n, OCSParamList p) {
    return readCommand(n, p, RetrieveSummaryInfo);
}
char* CmdRSCGetNetworkConf(int32_t n, OCSParamList p) {
    return readCommand(n, p, RetrieveLanNetworkInfo);
}
char* CmdRSCGetLanNetworkingObj(int32_t n, OCSParamList p) {
    return readCommand(n, p, RetrieveLanNetworkingObj);
}
char* CmdRSCGetDialUpNetworkingObj(int32_t n, OCSParamList p) {
    return readCommand(n, p, RetrieveCmdRSCGetDialUpNetworkingObj);
}
char* CmdRSCGetRemoteHostObj(int32_t n, OCSParamList p) {
    return readCommand(n, p, RetrieveRemoteHostObj);
}

char* CmdRSCGetRSCHealth(int32_t n, OCSParamList p) {
    return runHandler(n, p, "required_input:", [&](Answer& answer) {
        answer.setStatus(-1);
        if (presenceWord() != 1)
            return;
        writeObject(answer.buf(), TELMDA_CARD_ROOT_OID, kIdentification);
        answer.setStatus(0);
    });
}

char* CmdRSCGetMenuComps(int32_t n, OCSParamList p) {
    return runHandler(n, p, "required_input(s): ", [&](Answer& answer) {
        const uint16_t present = static_cast<uint16_t>(presenceWord());
        OCSXBufCatBeginNode(answer.buf(), "TYMC", nullptr);
        if (present == 1)
            OCSXBufCatEmptyNode(answer.buf(), "Engine", nullptr);
        OCSXBufCatNode(answer.buf(), "IsTYMCPresent", nullptr, OCS_KIND_BOOLEAN, &present);
        OCSXBufCatEndNode(answer.buf(), "TYMC");
        answer.setStatus(0);
    });
}

} // extern "C"
