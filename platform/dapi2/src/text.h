// Texts as the host shows them: quoted and escaped so that every transcript and console
// entry stays on one line whatever the module passed.
#ifndef DAPI2_TEXT_H
#define DAPI2_TEXT_H

#include <string>

namespace dapi2 {

// "text" with \" \\ \n \t and \xNN escapes; NULL for a null pointer.
std::string quote(const char* text);
std::string quote(const std::string& text);

// A copy of a module's text; a null pointer gives an empty text.
std::string copyText(const char* text);

// Strict decimal integer within [min, max]; false on anything else.
bool parseInt(const std::string& text, long min, long max, long& value);

} // namespace dapi2

#endif // DAPI2_TEXT_H
