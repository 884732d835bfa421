// XML text rules of the host's writer.
#pragma once

#include <string>

namespace ocs_standin {

// Escapes & < > " ' and replaces what XML 1.0 cannot carry (control
// characters, broken UTF-8, U+FFFE/U+FFFF, surrogates) with U+FFFD.
std::string escapeXml(const char* text);
// A name the writer accepts for an element.
bool validElementName(const char* name);

} // namespace ocs_standin
