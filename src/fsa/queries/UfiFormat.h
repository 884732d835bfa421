#pragma once

// User flash image (UFI) sets: the logical image (file header, image headers,
// image data) and how it is cut into files.

#include "FsaStatus.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr std::size_t UFI_FILE_HEADER_BYTES = 76;
constexpr std::size_t UFI_IMAGE_HEADER_BYTES = 20;
constexpr std::uint32_t UFI_MAX_IMAGES = 32;
constexpr std::size_t UFI_FIRST_FILE_BYTES = 1000000;
constexpr std::size_t UFI_SIZE_LIMIT = 0x163000;
extern const char UFI_MAGIC[]; // "Morvane User Flash Image"

struct fileHeader {
    char text[32];
    std::uint32_t checksum;
    std::uint32_t checksumComplement;
    std::uint32_t identity[4];
    std::uint32_t totalLength;
    std::uint32_t sequence;
    std::uint32_t fileCount;
    std::uint32_t imageCount;
    std::uint32_t build;
};
static_assert(sizeof(fileHeader) == UFI_FILE_HEADER_BYTES, "the file header is 76 bytes");

struct imageHeader {
    std::uint32_t id;
    std::uint32_t offset;
    std::uint32_t size;
    std::uint32_t checksum;
    std::uint32_t flashDirectory;
};
static_assert(sizeof(imageHeader) == UFI_IMAGE_HEADER_BYTES, "an image header is 20 bytes");

// 16-bit sum of bytes.
std::uint16_t calcChecksum(const std::uint8_t* data, std::size_t length);
// Offset of the flash directory inside an image, or -1.
long locateFlashDirectory(const std::uint8_t* image, std::size_t length);
// The directory's word at `offset` (36: the image's checksum, 44: its build).
std::uint32_t flashDirectoryWord(const std::uint8_t* image, long directory, std::size_t offset);

inline std::size_t ufiHeaderBytes(std::uint32_t imageCount) {
    return UFI_FILE_HEADER_BYTES + UFI_IMAGE_HEADER_BYTES * imageCount;
}
inline std::size_t ufiPadded(std::size_t size) {
    return (size + 3) & ~std::size_t{3};
}
// Files needed for `data` bytes after headers of `header` bytes; limit 0: one.
std::uint32_t ufiFileCount(std::size_t limit, std::size_t header, std::size_t data);
// Data room of file `sequence` (from 1).
std::size_t ufiDataRoom(std::size_t limit, std::size_t header, std::uint32_t sequence);
void ufiHeaderText(char text[32], std::uint32_t build);

// The name of file `sequence` of the set named by `base`.
std::string createFilename(const std::string& base, int sequence, bool lowerCase);

// Checks a whole logical image: lengths, image table, whole and per-image
// checksums. `message` receives the reason of a failure (595).
FSA_STATUS ufiValidate(const std::uint8_t* image, std::size_t length, std::string* message);
// Reads the header words of a logical image (at least the file header).
fileHeader ufiReadHeader(const std::uint8_t* image);
imageHeader ufiReadImageHeader(const std::uint8_t* image, std::uint32_t index);
