#pragma once

// Saving a UFI set to files and reading it back.

#include "UfiFormat.h"

#include <string>
#include <vector>

struct UfiImage {
    std::uint32_t id;
    std::vector<std::uint8_t> data;
};

// Writes the set: every file is written whole to a temporary file first and
// put in place only when all are complete, so a failure leaves no new file
// behind and no existing one changed.
FSA_STATUS writeUFIToFile(const std::string& base, fileHeader header,
                          const std::vector<imageHeader>& images, const std::vector<UfiImage>& data,
                          std::size_t limit, bool overwrite);
// Reads the set named by `base` into `out` (at most `capacity` bytes).
FSA_STATUS readUFIFromFile(const std::string& base, std::uint8_t* out, std::size_t capacity);
