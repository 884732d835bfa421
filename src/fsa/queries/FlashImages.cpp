// Saving the controller's flash to a UFI set, reading a set back, and
// writing or comparing its images.
#include "FlashTransfer.h"
#include "Frame.h"
#include "FsaMaintenance.h"
#include "FsaStatus.h"
#include "Trace.h"
#include "UfiFiles.h"

#include <cstring>
#include <limits>
#include <new>

namespace {

constexpr std::size_t kBiosBytes = 64 * 1024;
constexpr std::size_t kFirmwareBytes = 2 * 1024 * 1024;
constexpr std::uint32_t kNoBuild = 9999;

const char* const ImageIDDescription[23] = {
    "Unknown Image",          "QR-3000 Kernel",         "QR-3000 BIOS",
    "QR-3000 Monitor",        "QR-3100 Kernel",         "QR-4000 Kernel",
    "QR-4000 BIOS",           "QR-4100 Kernel",         "QR-5000 Kernel",
    "QR-5100 Kernel",         "QR-5200 Kernel",         "QR-2100 Kernel",
    "QR-6000S Kernel",        "QR-2100 Boot Block",     "QR-4100 Kernel (rev B)",
    "QR-4100 Kernel (rev C)", "QR-4100 Kernel (rev D)", "Daughter Board Image",
    "Expander Image",         "Backplane Image",        "QR-5300 Kernel",
    "QR-5400 Kernel",         "TBD Flash Image"};

bool isBiosImage(std::uint32_t id) {
    return id == 2 || id == 6;
}

bool isKnownImage(std::uint32_t id) {
    switch (id) {
    case 1:
    case 2:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8:
    case 9:
    case 10:
    case 11:
    case 12:
    case 14:
    case 15:
    case 16:
    case 20:
    case 21:
        return true;
    default:
        return false;
    }
}

// The images an adapter type keeps in flash: BIOS id (0: none), firmware id.
struct SavePlan {
    std::uint32_t biosId;
    std::uint32_t firmwareId;
};

bool savePlan(std::uint32_t adapterType, const controller_id_t& id, SavePlan* plan) {
    switch (adapterType) {
    case 7:
    case 8:
        *plan = {2, 1};
        return true;
    case 10:
    case 11:
    case 12:
        *plan = {6, 5};
        return true;
    case 9:
        *plan = {0, 4};
        return true;
    case 13:
        *plan = {0, 11};
        return true;
    case 14:
        *plan = {0, id.words[3] == 209   ? 14u
                    : id.words[3] == 217 ? 15u
                    : id.words[3] == 262 ? 16u
                                         : 7u};
        return true;
    case 15:
    case 16:
    case 17:
        *plan = {0, adapterType - 7};
        return true;
    case 18:
        *plan = {0, 12};
        return true;
    default:
        return false;
    }
}

// Reads one flash region into an image of its own.
FSA_STATUS readImage(FSAAPI_CONTEXT* ctx, bool bios, std::uint32_t id, UfiImage* image) {
    try {
        image->data.resize(bios ? kBiosBytes : kFirmwareBytes);
    } catch (const std::bad_alloc&) {
        UtilPrintDebugFormatted(
            bios ? "Firmware Save: Error, cannot allocate space for BIOS read (64K)\n"
                 : "Firmware Save: Error, cannot allocate space for KERNEL read (2MB)\n");
        return FSA_STS_OUT_OF_MEMORY;
    }
    const std::size_t got = flashRead(ctx, bios, image->data.data(), image->data.size());
    if (got == 0) {
        UtilPrintDebugFormatted(bios ? "Firmware Save: Error, cannot read BIOS\n"
                                     : "Firmware Save: Error, cannot read KERNEL\n");
        return FSA_STS_FLASH_READ_FAILED;
    }
    image->data.resize(got);
    image->id = id;
    return FSA_STS_SUCCESS;
}

FSA_STATUS saveFlash(FSAAPI_CONTEXT* ctx, const char* base, bool overwrite) {
    const controller_id_t identity = flashIdentity(ctx);
    UtilPrintDebugFormatted("Reading flash image from controller...");
    SavePlan plan;
    if (!savePlan(ctx->info.adapterType, identity, &plan))
        return FSA_STS_SUCCESS; // nothing in flash that a set could hold
    std::vector<UfiImage> images;
    if (plan.biosId != 0) {
        images.emplace_back();
        if (const FSA_STATUS s = readImage(ctx, true, plan.biosId, &images.back());
            s != FSA_STS_SUCCESS)
            return s;
    }
    images.emplace_back();
    if (const FSA_STATUS s = readImage(ctx, false, plan.firmwareId, &images.back());
        s != FSA_STS_SUCCESS)
        return s;

    const auto count = static_cast<std::uint32_t>(images.size());
    const std::size_t headerBytes = ufiHeaderBytes(count);
    std::vector<imageHeader> headers;
    std::size_t offset = headerBytes;
    for (const UfiImage& image : images) {
        imageHeader h{};
        h.id = image.id;
        h.offset = static_cast<std::uint32_t>(offset);
        h.size = static_cast<std::uint32_t>(image.data.size());
        h.checksum = calcChecksum(image.data.data(), image.data.size());
        const long dir = locateFlashDirectory(image.data.data(), image.data.size());
        if (dir >= 0) {
            h.flashDirectory = flashDirectoryWord(image.data.data(), dir, 44);
            const std::uint32_t expected = flashDirectoryWord(image.data.data(), dir, 36);
            if ((expected & 0xFFFF) != h.checksum)
                UtilPrintDebugFormatted(
                    " WARNING:Image %s calculates to checksum %04X,\nflash dir contains %04X",
                    ImageIDDescription[image.id], h.checksum, expected & 0xFFFF);
        }
        headers.push_back(h);
        offset += ufiPadded(image.data.size());
    }
    fileHeader header{};
    const long dir = locateFlashDirectory(images.back().data.data(), images.back().data.size());
    header.build = dir >= 0 ? headers.back().flashDirectory : kNoBuild;
    ufiHeaderText(header.text, header.build);
    std::memcpy(header.identity, identity.words, sizeof header.identity);
    header.totalLength = static_cast<std::uint32_t>(offset);
    header.sequence = 1;
    header.fileCount = ufiFileCount(UFI_SIZE_LIMIT, headerBytes, offset - headerBytes);
    header.imageCount = count;
    return writeUFIToFile(base, header, headers, images, UFI_SIZE_LIMIT, overwrite);
}

FSA_STATUS minimumBuild(std::uint32_t adapterType, std::uint32_t build) {
    bool ok = true;
    if (adapterType == 12)
        ok = build >= 4527;
    else if (adapterType == 8 || adapterType == 10)
        ok = build >= 3061;
    else if (adapterType == 9 || adapterType == 13 || adapterType == 14)
        ok = build > 2971;
    return ok ? FSA_STS_SUCCESS : FSA_STS_FLASH_BUILD_TOO_OLD;
}

FSA_STATUS updateFlash(FSAAPI_CONTEXT* ctx, const std::uint8_t* image, std::uint32_t flags) {
    const bool write = flags & 1;
    const fileHeader header = ufiReadHeader(image);
    if (header.imageCount > UFI_MAX_IMAGES ||
        header.totalLength < ufiHeaderBytes(header.imageCount))
        return FSA_STS_FLASH_FORMAT;
    const controller_id_t id = flashIdentity(ctx);
    if (id.words[0] != header.identity[0] || id.words[1] != header.identity[1] ||
        id.words[2] != header.identity[2] || id.words[3] != header.identity[3]) {
        if (write) {
            UtilPrintDebugFormatted(
                "Firmware Update: Error file does not match controller type:\n");
            return FSA_STS_FLASH_WRONG_CONTROLLER;
        }
        UtilPrintDebugFormatted("Firmware Update: Warning file does not match controller type:\n");
    }
    if (write)
        if (const FSA_STATUS s = minimumBuild(ctx->info.adapterType, header.build);
            s != FSA_STS_SUCCESS)
            return s;
    bool unwritten = false; // an image the controller did not take whole
    for (std::uint32_t i = 0; i < header.imageCount; ++i) {
        const imageHeader h = ufiReadImageHeader(image, i);
        if (h.id <= 22)
            UtilPrintDebugFormatted(write ? "Writing %s: \n" : "Compare %s: \n",
                                    ImageIDDescription[h.id]);
        if (!isKnownImage(h.id)) {
            UtilPrintDebugFormatted("Unknown ImageID %d.  Skipping...\n", static_cast<int>(h.id));
            continue;
        }
        if (h.offset > header.totalLength || h.size > header.totalLength - h.offset)
            return FSA_STS_FLASH_FORMAT;
        const std::uint8_t* data = image + h.offset;
        const bool bios = isBiosImage(h.id);
        if (write) {
            UtilPrintDebugFormatted("Sending: \n");
            if (flashWrite(ctx, bios, data, h.size) != 0) {
                UtilPrintDebugFormatted("Firmware Update: Error writing data, skipping image\n");
                unwritten = true;
                continue;
            }
        }
        const long diff = flashCompare(ctx, bios, data, h.size);
        if (diff < 0)
            continue;
        UtilPrintDebugFormatted("Compare Error in block starting at offset: %ld (%#lx)\n", diff,
                                diff);
        if (flags == 1)
            return FSA_STS_FLASH_COMPARE_AFTER_WRITE;
        if (flags == 0)
            return FSA_STS_FLASH_COMPARE_ONLY;
    }
    // The flash does not hold the set: what a difference after writing
    // reports, once the remaining images had their turn.
    return unwritten && flags == 1 ? FSA_STS_FLASH_COMPARE_AFTER_WRITE : FSA_STS_SUCCESS;
}

} // namespace

extern "C" {

FSA_STATUS FsaReadFlashToFile(void* handle, const char* basePath, int overwrite) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        return basePath ? saveFlash(ctx, basePath, overwrite != 0) : FSA_STS_BAD_ARGUMENTS;
    });
}

FSA_STATUS FsaCreateUFIfromFile(const char* basePath, std::uint8_t* out) {
    if (!basePath || !out)
        return FSA_STS_BAD_ARGUMENTS;
    // The caller sized `out` for the set's total length, which the first
    // header bounds; nothing is written beyond it.
    return readUFIFromFile(basePath, out, std::numeric_limits<std::uint32_t>::max());
}

FSA_STATUS FsaUpdateFlashImages(std::uint8_t* image, std::uint32_t flags, void* handle) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        return image ? updateFlash(ctx, image, flags) : FSA_STS_BAD_ARGUMENTS;
    });
}
}
