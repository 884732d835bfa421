// The host's process-wide state: registrations, device records, what the running test
// reported, stop requests, injections and the call transcript. One mutex guards it all;
// callbacks into the module are always made without holding it.
#ifndef DAPI2_HOST_STATE_H
#define DAPI2_HOST_STATE_H

#include "dapi2.h"
#include "dapi2_control.h"

#include <cstdio>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct tag_DapiRegistration {
    int serial = 0;
    Dapi2EnumerateCallback enumerate = nullptr;
    Dapi2RunCallback run = nullptr;
};

struct tag_DapiFruAdditionalInfo {
    std::string name; // transcript name, e.g. "dev1.info2"
    dapi2_control::InfoEntry entry;
};

struct tag_DapiFruInfo {
    std::string name;                            // transcript name, e.g. "fru1"
    std::deque<tag_DapiFruAdditionalInfo> items; // deque: entry addresses stay valid
    size_t cursor = 0;                           // next entry of the First/Next walk
};

struct tag_DapiDiagDevice {
    std::string name; // transcript name, e.g. "dev1"
    dapi2_control::Device record;
    tag_DapiFruInfo fru;
    bool offered = false;
};

namespace dapi2 {

using FilePtr = std::unique_ptr<FILE, int (*)(FILE*)>;

struct HostState {
    std::mutex mutex;

    std::vector<tag_DapiRegistration*> registrations; // alive, in creation order
    int registrationSerial = 0;

    std::deque<tag_DapiDiagDevice> created; // every record made since reset
    std::vector<tag_DapiDiagDevice*> offered;
    int creations = 0; // creation calls since reset, refused ones included

    dapi2_control::Injections injections;
    dapi2_control::StopRules stopRules;

    // Per run: what the test reported and whether it was asked to stop.
    std::vector<int> percents;
    std::vector<dapi2_control::Report> warnings, errors;
    int polls = 0;
    bool stopRequested = false;
    bool stopAnnounced = false;

    bool console = false;         // Dapi2_Main prints the run to standard output
    std::string environmentError; // DAPI2_OPTIONS could not be parsed

    std::map<std::thread::id, int> threadLabels;
    std::vector<std::string> transcript;
    FilePtr transcriptFile{nullptr, &std::fclose};
};

// The state, created on first use with the options of DAPI2_OPTIONS applied.
HostState& state();

struct Options;

// Takes over injections and stop rules and opens the transcript the options name (caller
// holds the mutex). False, with error set, when the transcript cannot be opened.
bool applyOptions(HostState& s, const Options& options, std::string& error);

// Appends one transcript line "<thread> <text>" (caller holds the mutex).
void record(HostState& s, const std::string& text);

// Writes one line to standard output when the host runs from Dapi2_Main (caller holds the
// mutex, so lines of the host thread and the progress thread never mix).
void say(const HostState& s, const std::string& line);

// Sends the transcript, so far and from now on, to path. False when it cannot be opened.
bool openTranscript(HostState& s, const std::string& path);

// Clears what one run reported and its stop state (caller holds the mutex).
void beginRun(HostState& s);

// True when the pointer is a record this host created.
bool knownDevice(const HostState& s, const tag_DapiDiagDevice* device);
bool knownRegistration(const HostState& s, const tag_DapiRegistration* reg);

} // namespace dapi2

#endif // DAPI2_HOST_STATE_H
