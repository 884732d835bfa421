// Object elements, parent and instance lookups, and the two generic queries
// "getoidbytype" and "getmaxindexbytype".
#include "object_access.h"

#include "answer.h"
#include "card_object.h"
#include "exported_call.h"
#include "telmda/card_objects.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace telmda;

namespace {

// `oid="%d" status="%d"` and the caller's extra attributes.
std::string objectAttributes(const ObjectView& view, const char* extra) {
    char text[64];
    std::snprintf(text, sizeof text, "oid=\"%d\" status=\"%d\"", static_cast<int>(view.oid()),
                  view.status());
    std::string attributes(text);
    if (extra)
        attributes += std::string(" ") + extra;
    return attributes;
}

void* firstParentObject(OidList parents) {
    if (!parents || parents.count() == 0)
        return nullptr;
    return CardObject::byOid(parents.at(0)).release();
}

} // namespace

namespace telmda {

int objectNode(int mode, const void* object, OCSXBuf* buf, const char* name,
               const char* extraAttributes) {
    const ObjectView view(object);
    if (!view.valid())
        return -1;
    const std::string attributes = objectAttributes(view, extraAttributes);
    if (mode == ObjectNode::Begin)
        OCSXBufCatBeginNode(buf, name, attributes.c_str());
    else if (mode == ObjectNode::Empty)
        OCSXBufCatEmptyNode(buf, name, attributes.c_str());
    return 0;
}

void* objectByType(const uint32_t* parentOid, uint16_t type, uint32_t instance) {
    if (!parentOid)
        return nullptr;
    OidList children = childOids(*parentOid, type);
    if (!children || instance >= children.count())
        return nullptr;
    return CardObject::byOid(children.at(instance)).release();
}

} // namespace telmda

extern "C" {

int DASHipObjCatXNode(const void* object, OCSXBuf* buf, const char* name,
                      const char* extraAttributes, int mode) {
    return exportedCall(-1, [&] { return objectNode(mode, object, buf, name, extraAttributes); });
}

int DASHipObjCatBeginNode(const void* object, OCSXBuf* buf, const char* name,
                          const char* extraAttributes) {
    return DASHipObjCatXNode(object, buf, name, extraAttributes, 1);
}

int DASHipObjCatEmptyNode(const void* object, OCSXBuf* buf, const char* name,
                          const char* extraAttributes) {
    return DASHipObjCatXNode(object, buf, name, extraAttributes, 2);
}

void* DASSMILGetObjByType(const uint32_t* parentOid, uint16_t type, uint32_t instance) {
    return exportedCall(static_cast<void*>(nullptr),
                        [&] { return objectByType(parentOid, type, instance); });
}

void* DASSMILGetParentObjByOID(const uint32_t* oid) {
    return exportedCall(static_cast<void*>(nullptr), [&] {
        return oid ? firstParentObject(OidList(SMILListParentOID(oid))) : nullptr;
    });
}

void* DASSMILGetParentObjByType(const uint32_t* oid, uint16_t type) {
    return exportedCall(static_cast<void*>(nullptr), [&] {
        return oid ? firstParentObject(OidList(SMILListParentOIDByType(oid, type))) : nullptr;
    });
}

const char* DASGetByOffsetUstr(const void* object, uint32_t offset) {
    return exportedCall(static_cast<const char*>(nullptr), [&]() -> const char* {
        const ObjectView view(object);
        if (!view.valid() || offset > view.size() - 2)
            return nullptr;
        return reinterpret_cast<const char*>(view.bytes()) + offset;
    });
}

char* CMDHipGetOIDByType(int32_t paramCount, OCSParamList params) {
    return runHandler(
        paramCount, params, "required_input(s): objtype,instance", [&](Answer& answer) {
            uint16_t type = 0;
            uint32_t instance = 0;
            int32_t rc = OCSDASNVPValToXVal(paramCount, params, "objtype", OCS_KIND_UINT16, &type);
            if (rc != 0)
                return answer.badInput("objtype", rc);
            rc = OCSDASNVPValToXVal(paramCount, params, "instance", OCS_KIND_UINT32, &instance);
            if (rc != 0)
                return answer.badInput("instance", rc);
            const uint32_t root = TELMDA_INSTANCE_ROOT_OID;
            const CardObject object(objectByType(&root, type, instance));
            if (object) {
                const uint32_t oid = object.view().oid();
                OCSXBufCatNode(answer.buf(), "OID", nullptr, OCS_KIND_UINT32, &oid);
            }
            answer.setStatus(0);
        });
}

char* CMDHipGetObjCountByType(int32_t paramCount, OCSParamList params) {
    return runHandler(paramCount, params, "required_input(s): [poid],objtype", [&](Answer& answer) {
        uint32_t parent = 0;
        if (OCSDASNVPValToXVal(paramCount, params, "poid", OCS_KIND_UINT32, &parent) != 0)
            parent = TELMDA_INSTANCE_ROOT_OID;
        uint16_t type = 0;
        const int32_t rc =
            OCSDASNVPValToXVal(paramCount, params, "objtype", OCS_KIND_UINT16, &type);
        if (rc != 0)
            return answer.badInput("objtype", rc);
        const uint32_t count = childOids(parent, type).count();
        OCSXBufCatNode(answer.buf(), "ObjCount", nullptr, OCS_KIND_UINT32, &count);
        answer.setStatus(0);
    });
}

void* DASHipInitSetCmd(int32_t paramCount, OCSParamList params, OCSXBuf* buf, const char* helpText,
                       uint16_t expectedType, const char** userInfo, int32_t* status) {
    // Every way through sets the status; an exception leaves "out of memory".
    if (status)
        *status = TELMDA_STATUS_NO_MEMORY;
    return exportedCall(static_cast<void*>(nullptr), [&]() -> void* {
        auto refuse = [&](const char* note, int32_t code) -> void* {
            OCSXBufCatNode(buf, "CmdHelp", nullptr, OCS_KIND_TEXT, note);
            if (status)
                *status = code;
            return nullptr;
        };
        if (helpRequested(paramCount, params))
            return refuse(helpText, -1);
        const char* user = nullptr;
        if (OCSDASNVPValToXVal(paramCount, params, "qvausrinfo", OCS_KIND_TEXT, &user) != 0)
            return refuse("qvausrinfo value missing", TELMDA_STATUS_MISSING_INPUT);
        if (userInfo)
            *userInfo = user;

        uint32_t oid = 0;
        if (OCSDASNVPValToXVal(paramCount, params, "oid", OCS_KIND_UINT32, &oid) == 0) {
            CardObject object = CardObject::byOid(oid);
            if (!object)
                return refuse("can't get HIP object from given oid", TELMDA_STATUS_NOT_FOUND);
            if (expectedType != 0 && object.view().type() != expectedType)
                return refuse("object from given oid doesn't match expected objtype",
                              TELMDA_STATUS_WRONG_OBJECT);
            if (status)
                *status = 0;
            return object.release();
        }
        uint32_t instance = 0;
        if (OCSDASNVPValToXVal(paramCount, params, "instance", OCS_KIND_UINT32, &instance) != 0)
            return refuse("if required, oid or instance value missing!",
                          TELMDA_STATUS_MISSING_INPUT);
        uint16_t type = expectedType;
        const int32_t typeRc =
            OCSDASNVPValToXVal(paramCount, params, "objtype", OCS_KIND_UINT16, &type);
        if (typeRc != 0 && expectedType == 0)
            return refuse("objtype value missing!", TELMDA_STATUS_MISSING_INPUT);
        const uint32_t root = TELMDA_INSTANCE_ROOT_OID;
        void* object = objectByType(&root, typeRc == 0 ? type : expectedType, instance);
        if (!object)
            return refuse("can't get HIP object from given instance", TELMDA_STATUS_NOT_FOUND);
        if (status)
            *status = typeRc;
        return object;
    });
}

} // extern "C"
