// The card link binding: libtelm loaded through the host's loader, its two
// functions found by name, a count of the calls running through it, and the
// card's PPP address cached after its first read. The binding and the cache
// change only under the host context lock.
#include "card_link.h"

#include "answer.h"
#include "exported_call.h"
#include "handlers.h"
#include "lifecycle.h"
#include "telmda/card_link.h"
#include "telmda/telmda.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

namespace telmda {
namespace {

struct RACLibIntf {
    void* fnObjIdGet;
    void* fnObjName;
    void* handle;
};

constexpr std::size_t kMaxCertificateType = 32;

RACLibIntf* pGRACLIB = nullptr;
char* pGPPPAddr = nullptr;
unsigned linkUsers = 0;    // calls through the binding now running
bool unbindWanted = false; // an unbind asked for while calls ran

// Under the lock: takes the record out of use.
RACLibIntf* takeRecord() {
    RACLibIntf* record = pGRACLIB;
    pGRACLIB = nullptr;
    unbindWanted = false;
    return record;
}

// Outside the lock: releases a record taken out of use.
void unbind(RACLibIntf* record) {
    if (!record)
        return;
    OCSLibUnLinkFromExportFN(&record->handle, "devuzObjIdGet");
    OCSLibUnLinkFromExportFN(&record->handle, "devuzObjName");
    OCSLibUnLoad(&record->handle);
    OCSFreeMem(record);
}

// The cached address, copied under the lock.
bool cachedAddress(std::string* address) {
    const ContextLockGuard lock(contextLock());
    if (!pGPPPAddr)
        return false;
    *address = pGPPPAddr;
    return true;
}

// Keeps the address read unless another request cached one meanwhile.
bool cacheAddress(const char* address) {
    const ContextLockGuard lock(contextLock());
    if (pGPPPAddr)
        return true;
    const std::size_t size = std::strlen(address) + 1;
    pGPPPAddr = static_cast<char*>(OCSAllocMem(static_cast<std::uint32_t>(size)));
    if (!pGPPPAddr)
        return false;
    std::memcpy(pGPPPAddr, address, size);
    return true;
}

} // namespace

CardLinkUse::CardLinkUse() {
    if (LoadRACLibIntf() != 0)
        return;
    const ContextLockGuard lock(contextLock());
    if (!pGRACLIB)
        return; // unbound meanwhile
    m_objIdGet = reinterpret_cast<ObjIdGetFn>(pGRACLIB->fnObjIdGet);
    m_objName = reinterpret_cast<ObjNameFn>(pGRACLIB->fnObjName);
    ++linkUsers;
    m_active = true;
}

CardLinkUse::~CardLinkUse() {
    if (!m_active)
        return;
    RACLibIntf* record = nullptr;
    {
        const ContextLockGuard lock(contextLock());
        if (--linkUsers == 0 && unbindWanted)
            record = takeRecord();
    }
    unbind(record);
}

int CardLinkUse::objIdGet(int group, int object, int index, char* out, int outLength) {
    int status = 0; // the card's own status is not looked at
    const int rc = m_objIdGet(kCardTypeWord, group, object, index, out, outLength, &status);
    out[outLength - 1] = '\0'; // the card's text may fill the buffer
    return rc;
}

int CardLinkUse::objName(const char* command, char* out, int outLength) {
    int status = 0;
    const int rc = m_objName(kCardTypeWord, command, out, outLength, &status);
    out[outLength - 1] = '\0';
    return rc;
}

void releaseCardLink() {
    RACLibIntf* record = nullptr;
    {
        const ContextLockGuard lock(contextLock());
        OCSFreeMem(pGPPPAddr);
        pGPPPAddr = nullptr;
        record = takeRecord();
        linkUsers = 0;
    }
    unbind(record);
}

} // namespace telmda

using namespace telmda;

extern "C" {

int LoadRACLibIntf(void) {
    return exportedCall(-1, [&]() -> int {
        const ContextLockGuard lock(contextLock());
        if (pGRACLIB)
            return 0;
        auto* record = static_cast<RACLibIntf*>(OCSAllocMem(sizeof(RACLibIntf)));
        if (!record)
            return -1;
        std::memset(record, 0, sizeof *record);
        char name[32];
        std::snprintf(name, sizeof name, "%s", "libtelm.so");
        if (OCSLibLoad(&record->handle, name) != 0) {
            OCSFreeMem(record);
            return -1;
        }
        record->fnObjIdGet = OCSLibLinkToExportFN(&record->handle, "devuzObjIdGet");
        if (record->fnObjIdGet)
            record->fnObjName = OCSLibLinkToExportFN(&record->handle, "devuzObjName");
        if (!record->fnObjIdGet || !record->fnObjName) {
            OCSLibUnLoad(&record->handle);
            OCSFreeMem(record);
            return -1;
        }
        pGRACLIB = record;
        return 0;
    });
}

void UnLoadRACLibIntf(void) {
    exportedCall([&] {
        RACLibIntf* record = nullptr;
        {
            const ContextLockGuard lock(contextLock());
            if (linkUsers > 0)
                unbindWanted = pGRACLIB != nullptr; // the last running call unbinds
            else
                record = takeRecord();
        }
        unbind(record);
    });
}

char* ViewSSLCert(const char* type) {
    return exportedCall(static_cast<char*>(nullptr), [&]() -> char* {
        // The type becomes part of a card command: a short alphanumeric word only.
        if (!type || *type == '\0' || std::strlen(type) > kMaxCertificateType ||
            !std::all_of(type, type + std::strlen(type),
                         [](unsigned char c) { return std::isalnum(c) != 0; }))
            return nullptr;
        char command[256];
        std::snprintf(command, sizeof command, "sslcertview -t%s", type);
        char text[1024] = {};
        {
            CardLinkUse link;
            if (!link)
                return nullptr;
            link.objName(command, text, sizeof text);
        }
        if (text[0] == '\0')
            return nullptr;
        char* block = static_cast<char*>(OCSAllocMem(sizeof text));
        if (block)
            std::memcpy(block, text, sizeof text);
        return block;
    });
}

char* CmdRSCGetRACPPPAddress(std::int32_t count, OCSParamList params) {
    return runHandler(count, params, "required_input(s): ", [&](Answer& answer) {
        answer.setStatus(-1);
        std::string address;
        if (!cachedAddress(&address)) {
            CardLinkUse link;
            if (!link)
                return; // not bound: -1
            char text[16] = {};
            const int rc = link.objIdGet(16, 2, 0, text, sizeof text);
            if (rc != 0)
                return answer.setStatus(rc);
            if (!cacheAddress(text))
                return answer.setStatus(TELMDA_STATUS_NO_MEMORY);
        }
        if (cachedAddress(&address)) {
            answer.textNode("RACPPPAddress", address.c_str());
            answer.setStatus(0);
        }
    });
}

char* CmdGetRSCRacLocalOSAuth(std::int32_t count, OCSParamList params) {
    return runHandler(count, params, nullptr, [&](Answer& answer) {
        answer.setStatus(-1);
        CardLinkUse link;
        if (!link)
            return;
        char text[10] = {};
        const int rc = link.objIdGet(18, 13, 0, text, sizeof text);
        answer.setStatus(rc);
        if (rc == 0)
            answer.textNode("RACAuthLocalOSEnable", text);
    });
}

} // extern "C"
