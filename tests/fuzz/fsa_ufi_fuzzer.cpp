// A UFI set read from files is outside input: its header and image table
// decide what is checked, and nothing may be read outside the set.
#include "UfiFormat.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string message;
    ufiValidate(data, size, &message);
    locateFlashDirectory(data, size);
    createFilename(std::string(reinterpret_cast<const char*>(data), size), 7, true);
    return 0;
}
