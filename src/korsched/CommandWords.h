// The run-time parameter as words of the command cron hands to /bin/sh.
#pragma once

#include <string>

namespace korsched {

// True when the text may be passed on: valid UTF-8 without control
// characters, so that it can neither end the crontab line nor hide a byte.
bool isAcceptableParameterText(const std::string& text);

// The text as it is written into the command field. It is split into words at
// blanks, which are kept as they are; a word without a character that /bin/sh
// or cron would interpret is written unchanged, any other word is quoted so
// that the program receives exactly that word.
std::string quoteParameterWords(const std::string& text);

} // namespace korsched
