// The read-only views: one element per card object, one child per field.
#include "answer.h"
#include "card_object.h"
#include "field_writer.h"
#include "handlers.h"
#include "object_layouts.h"
#include "telmda/card_objects.h"

#include <initializer_list>

using namespace telmda;

namespace {

// How a writer answers when its object cannot be read.
enum class WhenMissing { WriteNothing, EmptyElement };

void writeObject(OCSXBuf* buf, uint32_t root, uint16_t type, WhenMissing rule) {
    const ObjectLayout* layout = layoutOf(type);
    const CardObject object = CardObject::byType(root, type, 0);
    if (!object && rule == WhenMissing::WriteNothing)
        return;
    OCSXBufCatBeginNode(buf, layout->element, nullptr);
    if (object)
        writeFields(buf, *layout, object.view());
    OCSXBufCatEndNode(buf, layout->element);
}

// The read commands: help, the presence gate (256 when the card is absent),
// then the elements, optionally inside a wrapper.
char* readCommand(int32_t count, OCSParamList params, const char* wrapper,
                  std::initializer_list<void (*)(OCSXBuf*, uint32_t)> writers) {
    return runHandler(count, params, "required_input:", [&](Answer& answer) {
        if (IsTYMCPresent() == 0)
            return answer.setStatus(TELMDA_STATUS_NOT_FOUND);
        if (wrapper)
            OCSXBufCatBeginNode(answer.buf(), wrapper, nullptr);
        for (auto write : writers)
            write(answer.buf(), TELMDA_CARD_ROOT_OID);
        if (wrapper)
            OCSXBufCatEndNode(answer.buf(), wrapper);
        answer.setStatus(0);
    });
}

} // namespace

extern "C" {

// One writer per card object; the root is the card root.
void QVRSCGetTYMIdentificationObj(OCSXBuf* b, uint32_t r) {
    writeObject(b, r, TELMDA_OBJ_IDENTIFICATION, WhenMissing::WriteNothing);
}
void QVRSCGetTYMCControlObj(OCSXBuf* b, uint32_t r) {
    writeObject(b, r, TELMDA_OBJ_CONTROL, WhenMissing::WriteNothing);
}
void QVRSCGetMonitoringObj(OCSXBuf* b, uint32_t r) {
    writeObject(b, r, TELMDA_OBJ_MONITORING, WhenMissing::WriteNothing);
}
void QVRSCGetoobSnmpAgentObj(OCSXBuf* b, uint32_t r) {
    writeObject(b, r, TELMDA_OBJ_SNMP_AGENT, WhenMissing::WriteNothing);
}
void QVRSCGetCurrentLanNetworkingObj(OCSXBuf* b, uint32_t r) {
    writeObject(b, r, TELMDA_OBJ_CURRENT_LAN, WhenMissing::WriteNothing);
}
void QVRSCGetLanNetworkingObj(OCSXBuf* b, uint32_t r) {
    writeObject(b, r, TELMDA_OBJ_LAN, WhenMissing::EmptyElement);
}
void QVTYMCGetDialInNetworkingInfo(OCSXBuf* b, uint32_t r) {
    writeObject(b, r, TELMDA_OBJ_DIALUP, WhenMissing::EmptyElement);
}
void QVTYMCGetRemoteHostObj(OCSXBuf* b, uint32_t r) {
    writeObject(b, r, TELMDA_OBJ_REMOTE_HOSTS, WhenMissing::EmptyElement);
}
// The presence view, written from the presence object itself.
void QVRSCGetVesk3Obj(OCSXBuf* b, uint32_t r) {
    writeObject(b, r, TELMDA_OBJ_PRESENCE, WhenMissing::WriteNothing);
}

char* CmdRSCGetVesk3Obj(int32_t n, OCSParamList p) {
    return readCommand(n, p, nullptr, {QVRSCGetVesk3Obj});
}
char* CmdRSCGetControlObj(int32_t n, OCSParamList p) {
    return readCommand(n, p, nullptr, {QVRSCGetTYMCControlObj});
}
char* CmdRSCGetMonitoringObj(int32_t n, OCSParamList p) {
    return readCommand(n, p, nullptr, {QVRSCGetMonitoringObj});
}
char* CmdRSCGetoobSnmpAgentObj(int32_t n, OCSParamList p) {
    return readCommand(n, p, nullptr, {QVRSCGetoobSnmpAgentObj});
}
char* CmdRSCGetCurrentLanNetworkingObj(int32_t n, OCSParamList p) {
    return readCommand(n, p, nullptr, {QVRSCGetCurrentLanNetworkingObj});
}
char* CmdRSCGetTYMIdentificationObj(int32_t n, OCSParamList p) {
    return readCommand(n, p, "TYMCSummaryObj", {QVRSCGetTYMIdentificationObj});
}
char* CmdRSCGetSummary(int32_t n, OCSParamList p) {
    return readCommand(
        n, p, "TYMCSummaryObj",
        {QVRSCGetTYMIdentificationObj, QVRSCGetLanNetworkingObj, QVRSCGetCurrentLanNetworkingObj});
}
char* CmdRSCGetNetworkConf(int32_t n, OCSParamList p) {
    return readCommand(n, p, nullptr,
                       {QVRSCGetLanNetworkingObj, QVRSCGetCurrentLanNetworkingObj,
                        QVTYMCGetDialInNetworkingInfo, QVTYMCGetRemoteHostObj});
}
char* CmdRSCGetLanNetworkingObj(int32_t n, OCSParamList p) {
    return readCommand(n, p, nullptr, {QVRSCGetLanNetworkingObj});
}
char* CmdRSCGetDialUpNetworkingObj(int32_t n, OCSParamList p) {
    return readCommand(n, p, nullptr, {QVTYMCGetDialInNetworkingInfo});
}
char* CmdRSCGetRemoteHostObj(int32_t n, OCSParamList p) {
    return readCommand(n, p, nullptr, {QVTYMCGetRemoteHostObj});
}

char* CmdRSCGetRSCHealth(int32_t n, OCSParamList p) {
    return runHandler(n, p, "required_input:", [&](Answer& answer) {
        answer.setStatus(-1);
        if (IsTYMCPresent() != 1)
            return;
        QVRSCGetTYMIdentificationObj(answer.buf(), TELMDA_CARD_ROOT_OID);
        answer.setStatus(0);
    });
}

char* CmdRSCGetMenuComps(int32_t n, OCSParamList p) {
    return runHandler(n, p, "required_input(s): ", [&](Answer& answer) {
        const uint16_t present = static_cast<uint16_t>(IsTYMCPresent());
        OCSXBufCatBeginNode(answer.buf(), "TYMC", nullptr);
        if (present == 1)
            OCSXBufCatEmptyNode(answer.buf(), "Engine", nullptr);
        OCSXBufCatNode(answer.buf(), "IsTYMCPresent", nullptr, OCS_KIND_BOOLEAN, &present);
        OCSXBufCatEndNode(answer.buf(), "TYMC");
        answer.setStatus(0);
    });
}

} // extern "C"
