// What the running test reports to the host, and whether the user wants it stopped.
#include "host_state.h"
#include "interrupt.h"
#include "text.h"

#include <sys/stat.h>

using namespace dapi2;

namespace {

int report(bool error, unsigned int code, const char* text) {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    const char* call = error ? "Dapi2_Error" : "Dapi2_Warning";
    (error ? s.errors : s.warnings).push_back({code, copyText(text)});
    record(s, std::string(call) + "(" + std::to_string(code) + ", " + quote(text) + ") = 0");
    say(s, std::string(error ? "error: " : "warning: ") + std::to_string(code) + " " + quote(text));
    return 0;
}

bool fileExists(const std::string& path) {
    struct stat info {};
    return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

// Why a stop is due now, or an empty text when none is (caller holds the mutex).
std::string stopReason(const HostState& s, bool fileSeen) {
    const dapi2_control::StopRules& rules = s.stopRules;
    if (s.stopRequested) {
        return "on request";
    }
    if (interrupted()) {
        return "interrupt";
    }
    if (rules.afterPolls >= 0 && s.polls > rules.afterPolls) {
        return "after " + std::to_string(rules.afterPolls) + " polls";
    }
    if (rules.atPercent >= 0) {
        for (int percent : s.percents) {
            if (percent >= rules.atPercent) {
                return "at " + std::to_string(rules.atPercent) + " percent";
            }
        }
    }
    if (fileSeen) {
        return "file " + quote(rules.file);
    }
    return "";
}

} // namespace

extern "C" int Dapi2_SetPercentDone(int percent) {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.percents.push_back(percent);
    record(s, "Dapi2_SetPercentDone(" + std::to_string(percent) + ") = 0");
    say(s, "progress: " + std::to_string(percent));
    return 0;
}

extern "C" int Dapi2_Warning(unsigned int code, const char* text) {
    return report(false, code, text);
}

extern "C" int Dapi2_Error(unsigned int code, const char* text) {
    return report(true, code, text);
}

extern "C" int Dapi2_CheckForStop(void) {
    HostState& s = state();
    std::string file;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        file = s.stopRules.file;
    }
    const bool fileSeen = fileExists(file); // no file system access under the lock

    std::lock_guard<std::mutex> lock(s.mutex);
    ++s.polls;
    const std::string reason = stopReason(s, fileSeen);
    const int result = reason.empty() ? 0 : 1;
    if (result) {
        s.stopRequested = true; // a stop, once asked for, holds for the rest of the run
        if (!s.stopAnnounced) {
            s.stopAnnounced = true;
            say(s, "stop: " + reason);
        }
    }
    record(s, "Dapi2_CheckForStop() = " + std::to_string(result));
    return result;
}
