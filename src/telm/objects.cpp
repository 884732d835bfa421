// The object and command calls: route dispatch and the direct exchange.
#include "exported_call.h"
#include "route.h"
#include "session.h"
#include "telm/telm.h"
#include "trace.h"

#include <cerrno>
#include <cstring>

extern "C" int spOpen(const char* address, const char* port, int maxWait) {
    int rc = v3Connect(address, port, maxWait);
    int saved = errno;
    v3cops_printf(telm::eTxt[telm::kFormat], "spOpen", std::strerror(saved));
    errno = saved;
    return rc;
}

extern "C" int spClose(int socket, int flags) {
    int rc = v3Disconnect(socket, flags);
    v3cops_printf(telm::eTxt[telm::kFormat], "spClose", std::strerror(errno));
    return rc;
}

namespace {

// One direct exchange: open the link, send one frame, read one reply, close.
template <class Send>
int exchange(int type, Send send, char* out, unsigned outLength, int* status) {
    int socket = telm::dzBypOpen(type);
    if (socket < 0)
        return -1;
    int rc = -1;
    if (send(socket) > 0 && spRecv(socket, -1, nullptr, status, out, outLength) == 0)
        rc = 0;
    spClose(socket, 0);
    return rc;
}

} // namespace

extern "C" int dzBypObjectName(int type, const char* command, char* out, int outLength,
                               int* status) {
    return telm::exportedCall("dzBypObjectName", -1, [&] {
        if (!command || !out || !status || outLength <= 0)
            return -1;
        return exchange(
            type, [&](int s) { return spSend_cmd(s, 0, command); }, out,
            static_cast<unsigned>(outLength), status);
    });
}

extern "C" int dzBypObjectIdSet(int type, int group, int object, int index, const char* value,
                                int* status) {
    return telm::exportedCall("dzBypObjectIdSet", -1, [&] {
        if (!value || !status)
            return -1;
        char scratch[16];
        return exchange(
            type, [&](int s) { return spSend_oid(s, 0, group & 0x7F, index, object, value); },
            scratch, sizeof scratch, status);
    });
}

extern "C" int dzBypObjectIdGet(int type, int group, int object, int index, char* out,
                                int outLength, int* status) {
    return telm::exportedCall("dzBypObjectIdGet", -1, [&] {
        if (!out || !status || outLength <= 0)
            return -1;
        return exchange(
            type, [&](int s) { return spSend_oid(s, 0, group | 0x80, index, object, nullptr); },
            out, static_cast<unsigned>(outLength), status);
    });
}

extern "C" int devuzObjName(int type, const char* command, char* out, int outLength, int* status) {
    using Fn = int (*)(int, const char*, char*, int, int*);
    switch (telm::routeOf(type)) {
    case telm::Route::Direct:
        return dzBypObjectName(type, command, out, outLength, status);
    case telm::Route::Library:
        return telm::callCardLibrary<Fn>("devuzObjectName", type & 0xFF, command, out, outLength,
                                         status);
    default:
        return -1;
    }
}

extern "C" int devuzObjIdSet(int type, int group, int object, int index, const char* value,
                             int* status) {
    using Fn = int (*)(int, int, int, int, const char*, int*);
    switch (telm::routeOf(type)) {
    case telm::Route::Direct:
        return dzBypObjectIdSet(type, group, object, index, value, status);
    case telm::Route::Library:
        return telm::callCardLibrary<Fn>("devuzObjectIdSet", type & 0xFF, group, object, index,
                                         value, status);
    default:
        return -1;
    }
}

extern "C" int devuzObjIdGet(int type, int group, int object, int index, char* out, int outLength,
                             int* status) {
    using Fn = int (*)(int, int, int, int, char*, int, int*);
    switch (telm::routeOf(type)) {
    case telm::Route::Direct:
        return dzBypObjectIdGet(type, group, object, index, out, outLength, status);
    case telm::Route::Library:
        return telm::callCardLibrary<Fn>("devuzObjectIdGet", type & 0xFF, group, object, index, out,
                                         outLength, status);
    default:
        return -1;
    }
}
