#pragma once
// The binding of the outside SDM library, loaded by name at run time. The
// eight entry points are bound together or not at all, once per process;
// the library then stays loaded until the process ends, so a bound entry
// point can never dangle.

namespace VarnDiags::PCIFiberDiag {

struct SdmEntryPoints {
    int (*SDOpenDevice)(int index, int* handle);
    int (*SDCloseDevice)(int handle);
    int (*SDVerifyHbaNVRam)(int handle, int port);
    int (*SDVerifyHbaState)(int handle, int port);
    int (*SDGetHbaDeviceNodeProperty)(int handle, void* node);
    int (*SDGetHbaDevicePortProperty)(int handle, int port, void* portRecord);
    int (*SDGetHbaDeviceChipProperty)(int handle, void* chip);
    const char* (*SDGetErrorString)(int code);
};

// Binds the library if that has not happened yet. True on failure (the
// failure is logged); on success *library is the library's handle.
bool bindSdmLibrary(void** library);

// The bound entry points, or null while the library is not bound.
const SdmEntryPoints* sdmEntryPoints();

} // namespace VarnDiags::PCIFiberDiag
