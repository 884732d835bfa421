// The library's exported calls, each handed to the process-wide state.

#include "qlsdm.h"
#include "standin_state.h"

using qlsdm_standin::StandIn;

extern "C" {

int SDOpenDevice(int index, int* handle) {
    return StandIn::instance().open(index, handle);
}

int SDCloseDevice(int handle) {
    return StandIn::instance().close(handle);
}

int SDVerifyHbaNVRam(int handle, int port) {
    return StandIn::instance().verify(StandIn::NVRAM, handle, port);
}

int SDVerifyHbaState(int handle, int port) {
    return StandIn::instance().verify(StandIn::STATE, handle, port);
}

int SDGetHbaDeviceNodeProperty(int handle, void* node) {
    return StandIn::instance().property(qlsdm_standin::NODE, handle, 0, node);
}

int SDGetHbaDevicePortProperty(int handle, int port, void* portRecord) {
    return StandIn::instance().property(qlsdm_standin::PORT, handle, port, portRecord);
}

int SDGetHbaDeviceChipProperty(int handle, void* chip) {
    return StandIn::instance().property(qlsdm_standin::CHIP, handle, 0, chip);
}

const char* SDGetErrorString(int code) {
    return StandIn::instance().errorString(code);
}

} // extern "C"
