#pragma once
// The plug: what each diagnostic program supplies to the host shell.
// Every program defines these five names once, in its own source (the
// shell has no defaults, so a program missing one fails to link).

#include "DeviceEnum/IDeviceEnumerator.h"
#include "DeviceEnum/VirtualDevice.h"
#include "Diag/IDiagnostics.h"

namespace VarnDiags {
// The program's module name ("korraid", "Orbisk", "korfiber"): prefixes the
// log file names and the event-code texts.
extern const char* const MODULE_NAME;
} // namespace VarnDiags

// How many tests the host may pick by number; 0 runs every test and
// ignores the host's number.
int GetNumberOfTests();
// A new enumerator; the caller deletes it.
VarnDiags::DeviceEnum::IDeviceEnumerator* GetVarnDiagsDeviceEnumeratorObject();
// A new diagnostic object; the caller deletes it. A diagnostic whose own
// set-up failed reports INIT_FAILED and has no test.
VarnDiags::Diag::IDiagnostics* GetVarnDiagsTestObject();
// Rebuilds a device from its descriptor into a new handle the caller owns
// (*handle stays null when nothing could be built).
void GetVarnVirtualDevice(const char* descriptor, VarnDiags::DeviceEnum::VirtualDevice** handle);
