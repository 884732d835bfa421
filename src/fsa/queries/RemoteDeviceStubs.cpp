#include "RemoteDeviceStubs.h"

FSA_STATUS NetworkGetStorageDeviceInfo(FSAAPI_CONTEXT*) {
    return FSA_STS_NOT_AVAILABLE_ON_OS;
}
FSA_STATUS NetworkBlinkDrive(FSAAPI_CONTEXT*, const FSA_STORAGE_DEVICE*, std::uint32_t) {
    return FSA_STS_NOT_AVAILABLE_ON_OS;
}
FSA_STATUS NetworkStorageDevice(FSAAPI_CONTEXT*) {
    return FSA_STS_NOT_IMPLEMENTED;
}
FSA_STATUS NetworkSetSmartDeviceInfo(FSAAPI_CONTEXT*) {
    return FSA_STS_NOT_IMPLEMENTED;
}
FSA_STATUS NetworkClearSmartDevice(FSAAPI_CONTEXT*) {
    return FSA_STS_NOT_IMPLEMENTED;
}
