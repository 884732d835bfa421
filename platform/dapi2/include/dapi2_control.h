// dapi2_control.h - in-process control and inspection of the diagnostic host stand-in, for
// tests. Not part of the host's interface: product code never includes it.
#ifndef DAPI2_CONTROL_H
#define DAPI2_CONTROL_H

#include "dapi2.h"

#include <string>
#include <vector>

namespace dapi2_control {

// Failures the host can be made to show.
struct Injections {
    bool failRegistration = false; // Dapi2_CreateRegistrationStructure returns NULL
    int refuseCreation = 0;        // the K-th device creation (1-based, since reset) fails; 0 never
    int cutInfoAt = -1;            // additional-info values stored cut to this length; -1 whole
    bool nullDevice = false;       // the run callback gets NULL instead of the device
};

// When Dapi2_CheckForStop starts answering non-zero (any one that applies).
struct StopRules {
    int afterPolls = -1; // the first K polls answer 0, later ones non-zero; -1 off
    int atPercent = -1;  // once a progress of at least P was reported; -1 off
    std::string file;    // once this path exists; empty off
};

struct InfoEntry {
    std::string key;
    std::string description;
    std::string value;
};

// A device record as the host holds it.
struct Device {
    std::string type; // "PCI" or "MEMORY" call, the type text given
    bool memory = false;
    int number = 0;
    std::string name;
    std::string location;
    std::string description;
    int bus = -1, device = -1, function = -1; // PCI devices
    unsigned long sizeKB = 0;                 // memory devices
    std::vector<std::string> fru;             // six texts once set
    std::vector<InfoEntry> info;              // in the order added
    std::string tests;
};

struct Report {
    unsigned int code;
    std::string text;
};

// Forgets devices, transcript, reports, stop state, injections and thread labels (not the
// registration structures, which belong to their creators).
void reset();

void setInjections(const Injections& injections);
void setStopRules(const StopRules& rules);
void requestStop(); // as if the user asked to stop the running test

// Call the callbacks of the most recently created registration structure still alive.
// invokeEnumerate drops the devices offered so far, then returns the callback's code.
// invokeRun hands it the offered device with that index (NULL with the nullDevice
// injection or an index out of range), after clearing the stop state of the previous run.
// Both return -1 when no such callback is registered.
int invokeEnumerate();
int invokeRun(int testNumber, int deviceIndex);

std::vector<Device> devices();         // offered devices, in the order of Dapi2_AddDevice
std::vector<std::string> transcript(); // lines as written to --transcript (without newline)
std::vector<int> percents();           // Dapi2_SetPercentDone values in order
std::vector<Report> warnings();
std::vector<Report> errors();
int stopPolls(); // Dapi2_CheckForStop calls since the run began

} // namespace dapi2_control

#endif // DAPI2_CONTROL_H
