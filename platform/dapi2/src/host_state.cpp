#include "host_state.h"

#include "interrupt.h"
#include "options.h"

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace dapi2 {
namespace {

HostState& makeState() {
    static HostState s;
    Options options;
    std::string error;
    if (!parseOptions(environmentOptions(), false, options, error) ||
        !applyOptions(s, options, error)) {
        s.environmentError = "DAPI2_OPTIONS: " + error;
    }
    return s;
}

} // namespace

HostState& state() {
    static HostState& s = makeState();
    return s;
}

bool applyOptions(HostState& s, const Options& options, std::string& error) {
    s.injections = options.injections;
    s.stopRules = options.stopRules;
    if (!options.transcript.empty() && !openTranscript(s, options.transcript)) {
        error = "cannot open transcript " + options.transcript;
        return false;
    }
    return true;
}

void record(HostState& s, const std::string& text) {
    const auto id = std::this_thread::get_id();
    auto label = s.threadLabels.find(id);
    if (label == s.threadLabels.end()) {
        label = s.threadLabels.emplace(id, static_cast<int>(s.threadLabels.size()) + 1).first;
    }
    std::string line = "t" + std::to_string(label->second) + " " + text;
    if (s.transcriptFile) {
        std::fprintf(s.transcriptFile.get(), "%s\n", line.c_str());
        std::fflush(s.transcriptFile.get());
    }
    s.transcript.push_back(std::move(line));
}

void say(const HostState& s, const std::string& line) {
    if (s.console) {
        std::printf("%s\n", line.c_str());
        std::fflush(stdout);
    }
}

bool openTranscript(HostState& s, const std::string& path) {
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    FilePtr file(::fdopen(fd, "w"), &std::fclose);
    if (!file) {
        ::close(fd);
        return false;
    }
    for (const std::string& line : s.transcript) {
        std::fprintf(file.get(), "%s\n", line.c_str());
    }
    std::fflush(file.get());
    s.transcriptFile = std::move(file);
    return true;
}

void beginRun(HostState& s) {
    s.percents.clear();
    s.warnings.clear();
    s.errors.clear();
    s.polls = 0;
    s.stopRequested = false;
    s.stopAnnounced = false;
}

bool knownDevice(const HostState& s, const tag_DapiDiagDevice* device) {
    return device && std::any_of(s.created.begin(), s.created.end(),
                                 [device](const tag_DapiDiagDevice& d) { return &d == device; });
}

bool knownRegistration(const HostState& s, const tag_DapiRegistration* reg) {
    return reg &&
           std::find(s.registrations.begin(), s.registrations.end(), reg) != s.registrations.end();
}

} // namespace dapi2
