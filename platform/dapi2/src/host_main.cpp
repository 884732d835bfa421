// Dapi2_Main: the host's command line and session. "list" enumerates and shows the offered
// devices; "run" enumerates, then runs one test on one device and shows what it reports.
#include "callbacks.h"
#include "host_state.h"
#include "interrupt.h"
#include "options.h"
#include "text.h"

#include <algorithm>
#include <cstdio>

using namespace dapi2;

namespace {

constexpr int kUsageError = 64;    // bad command line or no such device
constexpr int kSoftwareError = 70; // no registration structure or callback

int fail(int code, const std::string& message) {
    std::fprintf(stderr, "dapi2: %s\n", message.c_str());
    return code;
}

void printDevice(size_t index, const tag_DapiDiagDevice& device) {
    const dapi2_control::Device& d = device.record;
    const std::string prefix = "device " + std::to_string(index) + ": ";
    std::string line = prefix + "type " + quote(d.type) + " number " + std::to_string(d.number) +
                       " name " + quote(d.name) + " location " + quote(d.location) +
                       " description " + quote(d.description);
    if (d.memory) {
        line += " size " + std::to_string(d.sizeKB) + " KB";
    } else {
        line += " bus " + std::to_string(d.bus) + " device " + std::to_string(d.device) +
                " function " + std::to_string(d.function);
    }
    std::printf("%s\n", line.c_str());
    if (!d.fru.empty()) {
        std::string fru = prefix + "fru";
        for (const std::string& text : d.fru) {
            fru += " " + quote(text);
        }
        std::printf("%s\n", fru.c_str());
    }
    for (const tag_DapiFruAdditionalInfo& item : device.fru.items) {
        std::printf("%sinfo %s %s %s\n", prefix.c_str(), quote(item.entry.key).c_str(),
                    quote(item.entry.value).c_str(), quote(item.entry.description).c_str());
    }
    std::printf("%stests %s\n", prefix.c_str(), quote(d.tests).c_str());
}

int listDevices(int enumerateResult) {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (size_t i = 0; i < s.offered.size(); ++i) {
        printDevice(i, *s.offered[i]);
    }
    std::printf("devices: %zu\n", s.offered.size());
    std::fflush(stdout);
    return enumerateResult;
}

int runTest(tag_DapiRegistration* reg, const Options& options) {
    HostState& s = state();
    tag_DapiDiagDevice* device = nullptr;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.injections.nullDevice) {
            if (static_cast<size_t>(options.device) >= s.offered.size()) {
                return fail(kUsageError, "no device " + std::to_string(options.device) + " (" +
                                             std::to_string(s.offered.size()) + " offered)");
            }
            device = s.offered[options.device];
        }
        say(s, "run: test " + std::to_string(options.test) + " on device " +
                   std::to_string(options.device));
    }
    int result = 0;
    if (!callRun(reg, options.test, device, result)) {
        return fail(kSoftwareError, "no run callback registered");
    }
    std::lock_guard<std::mutex> lock(s.mutex);
    say(s, "result: " + std::to_string(result));
    return result;
}

// The run is shown on standard output while the session lasts.
class ConsoleSession {
public:
    explicit ConsoleSession(HostState& s) : s_(s) { setConsole(true); }
    ~ConsoleSession() { setConsole(false); }
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;

private:
    void setConsole(bool on) {
        std::lock_guard<std::mutex> lock(s_.mutex);
        s_.console = on;
    }
    HostState& s_;
};

std::string describeArgs(int argc, char** argv) {
    std::string text = std::to_string(argc) + ", [";
    for (int i = 0; i < argc && argv; ++i) {
        text += (i ? ", " : "") + quote(argv[i]);
    }
    return text + "]";
}

} // namespace

extern "C" int Dapi2_Main(int argc, char** argv, tag_DapiRegistration* reg) {
    HostState& s = state();
    Options options;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        record(s, "Dapi2_Main(" + describeArgs(argc, argv) + ", " +
                      (knownRegistration(s, reg) ? "reg" + std::to_string(reg->serial)
                                                 : std::string(reg ? "unknown" : "NULL")) +
                      ")");
        if (!s.environmentError.empty()) {
            return fail(kUsageError, s.environmentError);
        }
        options.injections = s.injections;
        options.stopRules = s.stopRules;
        std::vector<std::string> args;
        for (int i = 1; i < argc && argv; ++i) {
            args.emplace_back(argv[i] ? argv[i] : "");
        }
        const std::string program = programName(argc > 0 && argv ? argv[0] : nullptr);
        if (std::find(args.begin(), args.end(), "--help") != args.end()) {
            std::printf("%s", usage(program).c_str());
            return 0;
        }
        std::string error;
        if (!parseOptions(args, true, options, error) || options.command.empty()) {
            std::fprintf(stderr, "%s", usage(program).c_str());
            return fail(kUsageError, error.empty() ? "no command given" : error);
        }
        if (!applyOptions(s, options, error)) {
            return fail(kUsageError, error);
        }
        if (!knownRegistration(s, reg)) {
            return fail(kSoftwareError, "no registration structure");
        }
    }

    InterruptCatcher interruptCatcher;
    ConsoleSession console(s);
    int enumerateResult = 0;
    if (!callEnumerate(reg, enumerateResult)) {
        return fail(kSoftwareError, "no enumerate callback registered");
    }
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        say(s, "enumerate: " + std::to_string(enumerateResult));
    }
    if (options.command == "list") {
        return listDevices(enumerateResult);
    }
    return runTest(reg, options);
}
