// The host's command line: a command (list, run) and options, some of which may also come
// from the environment variable DAPI2_OPTIONS (needed for what happens before Dapi2_Main,
// such as a refused registration structure).
#ifndef DAPI2_OPTIONS_H
#define DAPI2_OPTIONS_H

#include "dapi2_control.h"

#include <string>
#include <vector>

namespace dapi2 {

struct Options {
    std::string command; // "list" or "run"; empty when none was given
    int device = 0;      // run -d
    int test = 0;        // run -t, passed through unchanged
    std::string transcript;
    dapi2_control::Injections injections;
    dapi2_control::StopRules stopRules;
};

// Parses args into options (fields not named keep their value). With allowCommand false
// a command word is an error. On error, returns false and describes it in error.
bool parseOptions(const std::vector<std::string>& args, bool allowCommand, Options& options,
                  std::string& error);

// DAPI2_OPTIONS split at white space (empty when unset).
std::vector<std::string> environmentOptions();

// The name a usage text shows: argv[0] without its directory ("dapi2" when there is none).
std::string programName(const char* argv0);

// Usage text for errors and --help.
std::string usage(const std::string& program);

} // namespace dapi2

#endif // DAPI2_OPTIONS_H
