#pragma once

#include <cstddef>
#include <string>

namespace haltrix {

// Capacity of the pattern buffer, terminator included.
constexpr std::size_t kPatternBytes = 288;

// The pattern from a whole command line: everything after the program name
// and the white space that follows it, upper-cased. Empty when there is no
// tail, and also when the tail would not fit the pattern buffer: a cut
// pattern could match more processes than the caller named.
std::string patternFromCommandLine(const char* commandLine);

} // namespace haltrix
