// Texts read from the database go to the JVM as modified UTF-8. The file holds
// whatever bytes its writers used: UTF-8 from Java callers, legacy single-byte
// text from C or Windows callers.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vorbdb {

// UTF-16 code units of a UTF-8 text; also accepts what Java itself writes
// (surrogates encoded one by one, NUL as C0 80). Empty optional when the bytes
// are not such text.
std::optional<std::u16string> decodeUtf8(std::string_view bytes);

// Java's modified UTF-8 of UTF-16 code units.
std::string encodeModifiedUtf8(std::u16string_view units);

} // namespace vorbdb
