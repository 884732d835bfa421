#pragma once
// What the scripted test program does, read from the environment each time
// it is asked (so in-process tests can change it between calls):
//
// TESTDIAG_DEVICES  devices the enumerator finds, ";"-separated entries
//                   "bus,device,function[,description[,flags]]"; flags:
//                   o = does not open, i = not valid, x = not a PCI device.
//                   "none": the enumerator cannot enumerate (null list).
//                   Unset: two devices.
// TESTDIAG_TESTS    the diagnostic's tests, ","-separated: a result letter
//                   (P passed, U unusual, F failed, H runs until aborted)
//                   with an optional event code, then optional "+" events
//                   queued at the start: wN warning, eN error, iN information,
//                   d (information event carrying the device's descriptor).
//                   Unset: "P".
// TESTDIAG_NUMBER_OF_TESTS  what GetNumberOfTests answers (default 0).
// TESTDIAG_INIT_FAILED      set: the diagnostic's set-up fails.
// TESTDIAG_STEPS, TESTDIAG_STEP_MS  progress steps per test and their length
//                   (default 5 steps of 20 ms).
// TESTDIAG_SECOND_MS  length of the shell's "second" (default 10 ms).

#include <string>
#include <vector>

namespace testdiag {

struct DeviceScript {
    int bus = 0, device = 0, function = 0;
    std::string description;
    bool opens = true, valid = true, pci = true;
};

struct EventScript {
    char kind; // 'w', 'e', 'i', 'd'
    unsigned int code;
};

struct TestScript {
    char result; // 'P', 'U', 'F', 'H'
    unsigned int code = 0;
    std::vector<EventScript> events;
};

// False when the enumerator is to answer with no list at all.
bool scriptedDevices(std::vector<DeviceScript>& devices);
std::vector<TestScript> scriptedTests();
int envNumber(const char* name, int fallback);

} // namespace testdiag
