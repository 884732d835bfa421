#pragma once

namespace haltrix {

// 1 when `text` matches `pattern` (upper case): "*" any run, "?" one
// character, "[...]" one character of a set with "-" ranges; the text's
// letters are compared upper-cased. Runs in O(len(text) * len(pattern)).
int WildcardMatch(const char* text, const char* pattern);

} // namespace haltrix
