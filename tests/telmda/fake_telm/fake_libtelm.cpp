// The stand-in libtelm.so: the two functions the module binds, forwarding to
// the control library, which counts every load and unload.
#include "fake_telm.h"

namespace {

__attribute__((constructor)) void loaded() {
    fake_telm::noteLoad();
}
__attribute__((destructor)) void unloaded() {
    fake_telm::noteUnload();
}

} // namespace

extern "C" {

int devuzObjIdGet(int type, int group, int object, int index, char* out, int outLength,
                  int* status) {
    *status = 0;
    return fake_telm::objIdGet(type, group, object, index, out, outLength);
}

int devuzObjName(int type, const char* command, char* out, int outLength, int* status) {
    *status = 0;
    return fake_telm::objName(type, command, out, outLength);
}

} // extern "C"
