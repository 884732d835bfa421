// Formatting shared by the diagnostic text dumps.
#include "TextDump.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

void MSC_DTprintf(FSA_TEXT_CALLBACK callback, void* user, const char* format, ...) {
    char piece[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(piece, sizeof piece, format, args);
    va_end(args);
    callback(piece, user);
}

std::string SizeString(std::uint64_t blocks) {
    const unsigned long long kb = blocks / 2;
    char text[40];
    if (kb <= 1024)
        std::snprintf(text, sizeof text, "%4lluKB", kb);
    else if (kb <= 1048576)
        if (kb % 1024 == 0)
            std::snprintf(text, sizeof text, "%4lluMB", kb / 1024);
        else
            std::snprintf(text, sizeof text, "%4.1fMB", static_cast<double>(kb) / 1024.0);
    else if (kb % 1048576 == 0)
        std::snprintf(text, sizeof text, "%4lluGB", kb / 1048576);
    else
        std::snprintf(text, sizeof text, "%4.1fGB", static_cast<double>(kb) / 1048576.0);
    return text;
}

std::string PChunk(const Partition* partition) {
    const std::uint8_t type = partition->bytes[48];
    if (type != 3 && type != 4)
        return "    ";
    std::uint16_t chunk; // in blocks
    std::memcpy(&chunk, partition->bytes + 60, sizeof chunk);
    char text[24];
    std::snprintf(text, sizeof text, "%2uKB", static_cast<unsigned>(chunk / 2));
    return text;
}

MSC_STAMP MSC_DecodeStamp(const Partition& p) {
    std::uint32_t when;
    std::memcpy(&when, p.bytes + 8, sizeof when);
    return {when & 0xF,        when >> 4 & 0x1F,  p.bytes[7] % 100u,
            when >> 10 & 0x1F, when >> 16 & 0x3F, when >> 22 & 0x3F};
}

const char* ContainerTypeText(std::uint32_t type) {
    static const char* const kTexts[] = {"NONE",  "VOLUME", "MIRROR", "STRIPE",
                                         "RAID5", "SSRW",   "SSRO"};
    return type < sizeof kTexts / sizeof *kTexts ? kTexts[type] : "???";
}
