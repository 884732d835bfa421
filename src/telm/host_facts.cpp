// Host facts read here and set on the card.
#include "telm/telm.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <sys/utsname.h>

extern "C" {
int (*pl_tymGetFile)(int, const char*, const char*) = nullptr;
int (*pl_tymGetInBandTymIpAddress)(void) = nullptr;
int (*pl_tymGetOsHostname)(char*) = nullptr;
int (*pl_tymGetOsName)(char*) = nullptr;
int (*pl_tymGetOsTime)(int*, int*) = nullptr;
int (*pl_tymGetOsType)(int*) = nullptr;
int (*pl_tymGetRacMnStatus)(void) = nullptr;
int (*pl_tymPutFile)(int, const char*, const char*) = nullptr;
int (*pl_tymSetHostnameOnTym)(int, const char*) = nullptr;
int (*pl_tymSetOsNameOnTym)(int, const char*) = nullptr;
int (*pl_tymSetOsTypeOnTym)(int, int) = nullptr;
int (*pl_tymSetTimeOnTym)(int, unsigned, int) = nullptr;
int (*pl_tymSyncVarnVncPassword)(void) = nullptr;
int (*pl_tymcFwUpdate)(void) = nullptr;
}

namespace {

constexpr size_t kHostText = 254;
constexpr int kHostGroup = 17;
constexpr int kLinuxType = 2;

int finish(const char* fn, int rc, int status) {
    v3cops_printf("%s: rc=%d, cmdRC=0x%X\n", fn, rc, static_cast<unsigned>(status));
    return rc != 0 ? rc : status;
}

int setHostObject(const char* fn, int typeWord, int object, const char* value) {
    int status = 0;
    int rc = devuzObjIdSet(typeWord, kHostGroup, object, 0, value, &status);
    return finish(fn, rc, status);
}

} // namespace

extern "C" int tymGetOsTime(int* seconds, int* offset) {
    if (!seconds || !offset)
        return -1;
    time_t now = time(nullptr);
    if (now == 0 || now == static_cast<time_t>(-1))
        return -1;
    tzset();
    *seconds = static_cast<int>(now);
    *offset = static_cast<int>(-timezone);
    return 0;
}

extern "C" int tymGetOsHostname(char* buffer) {
    utsname names;
    if (!buffer || uname(&names) != 0)
        return -1;
    size_t length = strnlen(names.nodename, kHostText);
    std::memcpy(buffer, names.nodename, length);
    buffer[length] = '\0';
    return 0;
}

extern "C" int tymGetOsName(char* buffer) {
    utsname names;
    if (!buffer || uname(&names) != 0)
        return -1;
    char joined[sizeof names.sysname + sizeof names.release + 2];
    int length = std::snprintf(joined, sizeof joined, "%s %s", names.sysname, names.release);
    if (length < 0 || static_cast<size_t>(length) > kHostText)
        buffer[0] = '\0';
    else
        std::memcpy(buffer, joined, static_cast<size_t>(length) + 1);
    return 0;
}

extern "C" int tymGetOsType(int* type) {
    if (!type)
        return -1;
    *type = kLinuxType;
    return 0;
}

extern "C" int tymSetTimeOnTym(int typeWord, unsigned seconds, int offset) {
    char command[64];
    std::snprintf(command, sizeof command, "setgmt -u0x%X -o0x%X", seconds,
                  static_cast<unsigned>(offset));
    char reply[16];
    int status = 0;
    int rc = devuzObjName(typeWord, command, reply, sizeof reply, &status);
    return finish("tymSetTimeOnTym", rc, status);
}

extern "C" int tymSetHostnameOnTym(int typeWord, const char* name) {
    return setHostObject("tymSetHostnameOnTym", typeWord, 2, name);
}

extern "C" int tymSetOsNameOnTym(int typeWord, const char* name) {
    return setHostObject("tymSetOsNameOnTym", typeWord, 3, name);
}

extern "C" int tymSetOsTypeOnTym(int typeWord, int osType) {
    char value[16];
    std::snprintf(value, sizeof value, "0x%x", static_cast<unsigned>(osType));
    return setHostObject("tymSetOsTypeOnTym", typeWord, 4, value);
}

extern "C" int tymcFwUpdate(void) {
    return 0;
}
extern "C" int tymSyncVarnVncPassword(void) {
    return 0;
}
