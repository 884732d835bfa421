#include "UfiFormat.h"

#include "FsaStatus.h"

#include <cstdio>
#include <cstring>

const char UFI_MAGIC[] = "Morvane User Flash Image";

namespace {
const char kDirectoryMarker[] = "*** MORVANE FLASH DIRECTORY *** ";
constexpr std::size_t kMarkerBytes = 32;
constexpr std::size_t kDirectoryBytes = 48; // through the build word
} // namespace

std::uint16_t calcChecksum(const std::uint8_t* data, std::size_t length) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < length; ++i)
        sum += data[i];
    return static_cast<std::uint16_t>(sum);
}

long locateFlashDirectory(const std::uint8_t* image, std::size_t length) {
    static_assert(sizeof kDirectoryMarker - 1 == kMarkerBytes, "the marker is 32 bytes");
    // The directory's words must lie inside the image as well.
    for (std::size_t i = 0; i + kDirectoryBytes <= length; ++i)
        if (std::memcmp(image + i, kDirectoryMarker, kMarkerBytes) == 0)
            return static_cast<long>(i);
    return -1;
}

std::uint32_t flashDirectoryWord(const std::uint8_t* image, long directory, std::size_t offset) {
    std::uint32_t v;
    std::memcpy(&v, image + directory + offset, 4);
    return v;
}

std::uint32_t ufiFileCount(std::size_t limit, std::size_t header, std::size_t data) {
    const std::size_t first = UFI_FIRST_FILE_BYTES - header;
    if (limit == 0 || data <= first)
        return 1;
    const std::size_t room = limit - header;
    return static_cast<std::uint32_t>(1 + (data - first + room - 1) / room);
}

std::size_t ufiDataRoom(std::size_t limit, std::size_t header, std::uint32_t sequence) {
    if (limit == 0)
        return SIZE_MAX;
    return sequence == 1 ? UFI_FIRST_FILE_BYTES - header : limit - header;
}

void ufiHeaderText(char text[32], std::uint32_t build) {
    std::memset(text, 0, 32);
    std::snprintf(text, 32, "%s B%04u\x1A", UFI_MAGIC, build % 10000);
}

std::string createFilename(const std::string& base, int sequence, bool lowerCase) {
    // Only the last path component names the set: a dot or a "0" in a
    // directory name never cuts the path.
    const std::size_t slash = base.rfind('/');
    const std::size_t name = slash == std::string::npos ? 0 : slash + 1;
    std::string stem = base;
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot >= name && dot >= 2) {
        stem = base.substr(0, dot);
        if (dot - 2 >= name && base[dot - 2] == '0')
            stem.erase(dot - 2);
    }
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "%02d%s", sequence, lowerCase ? ".ufi" : ".UFI");
    return stem + suffix;
}

fileHeader ufiReadHeader(const std::uint8_t* image) {
    fileHeader h;
    std::memcpy(&h, image, sizeof h);
    return h;
}

imageHeader ufiReadImageHeader(const std::uint8_t* image, std::uint32_t index) {
    imageHeader h;
    std::memcpy(&h, image + UFI_FILE_HEADER_BYTES + UFI_IMAGE_HEADER_BYTES * index, sizeof h);
    return h;
}

FSA_STATUS ufiValidate(const std::uint8_t* image, std::size_t length, std::string* message) {
    char text[160];
    auto fail = [&](const char* what) {
        if (message)
            *message = what;
        return FSA_STS_FLASH_FORMAT;
    };
    if (length < UFI_FILE_HEADER_BYTES)
        return fail("File Format Error: header missing\n");
    const fileHeader h = ufiReadHeader(image);
    if (h.imageCount > UFI_MAX_IMAGES || ufiHeaderBytes(h.imageCount) > length)
        return fail("File Format Error: image table does not fit\n");
    if (h.totalLength != length) {
        std::snprintf(text, sizeof text, "File Size Error: Expected %ld bytes of data, found %ld\n",
                      static_cast<long>(h.totalLength), static_cast<long>(length));
        return fail(text);
    }
    const std::uint16_t sum = calcChecksum(image, length);
    if (sum != static_cast<std::uint16_t>(h.checksum)) {
        std::snprintf(text, sizeof text,
                      "Checksum Error: Expected checksum %04X, data checksums to %04X\n",
                      h.checksum & 0xFFFF, sum);
        return fail(text);
    }
    for (std::uint32_t i = 0; i < h.imageCount; ++i) {
        const imageHeader ih = ufiReadImageHeader(image, i);
        if (ih.offset > length || ih.size > length - ih.offset)
            return fail("File Format Error: image lies outside the data\n");
        const std::uint16_t own = calcChecksum(image + ih.offset, ih.size);
        if (own != static_cast<std::uint16_t>(ih.checksum)) {
            std::snprintf(text, sizeof text,
                          "Checksum Error: Image %i checksum %04X expected, %04X found\n",
                          static_cast<int>(i), ih.checksum & 0xFFFF, own);
            return fail(text);
        }
    }
    return FSA_STS_SUCCESS;
}
