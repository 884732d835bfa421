#pragma once

#include <string>

namespace haltrix {

// The pattern of this process's command line (see patternFromCommandLine).
std::string ReadPatternArgument();

// One run for an upper-cased pattern: list, match, terminate. Answers the
// exit code: 1 for an empty pattern, a system outside the NT family or a
// failed termination, else 0.
int runTerminator(const std::string& pattern);

} // namespace haltrix
