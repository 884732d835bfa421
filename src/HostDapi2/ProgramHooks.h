#pragma once
// What differs between the diagnostic programs in the host shell, besides
// the plug of Diag/ProgramPlug.h: how a device is registered with the host
// and which debugger the debugger aid starts. Each program defines
// PROGRAM_HOOKS exactly once in its own source; the shell has no default,
// so nothing is left to the order of libraries on the link line.
//
//   const VarnDiags::HostDapi2::ProgramHooks VarnDiags::HostDapi2::PROGRAM_HOOKS = {
//       &VarnDiags::HostDapi2::CreateDapi2DeviceFromVarnDevice,  // PCI registration
//       VarnDiags::HostDapi2::Debugger::Ddd};

#include "DeviceEnum/IDevice.h"

struct tag_DapiDiagDevice; // the host's device record (dapi2.h)

namespace VarnDiags::HostDapi2 {

// Registers one enumerated device with the host: 0 registered (the new
// record in *hostDevice), -1 failed. The shell offers the device
// (Dapi2_AddDevice) itself afterwards.
using RegisterDeviceFn = int (*)(DeviceEnum::IDevice* device, tag_DapiDiagDevice** hostDevice);

// The debugger aid started by DEBUG_ENUM / DEBUG_DIAG:
// Ddd: xterm running /usr/bin/ddd attached to the process, with the
//      command file "commands";
// Gdb: xterm running /usr/bin/gdb, with the program's own command file
//      "gdb_<program>".
enum class Debugger { Ddd, Gdb };

struct ProgramHooks {
    RegisterDeviceFn registerDevice;
    Debugger debugger;
};

extern const ProgramHooks PROGRAM_HOOKS;

// The PCI registration: the device must be an IPCIDevice; registered with
// Dapi2_CreateDevicePCI("PCI", n, ...) where n counts every attempt of
// the process from 0.
int CreateDapi2DeviceFromVarnDevice(DeviceEnum::IDevice* device, tag_DapiDiagDevice** hostDevice);

// The tail every registration shares once the host record exists: the
// placeholder FRU, the descriptor stored under "VarnDeviceDNAstr" (first
// 80 characters) and "VarnDeviceDNAstr2" (the rest, only when longer),
// and the test list "*". Logs to the main log stream.
void addDescriptorToHostDevice(tag_DapiDiagDevice* hostDevice, const char* descriptor);

} // namespace VarnDiags::HostDapi2
