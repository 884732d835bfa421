#pragma once

// Human-readable reports of an adapter for support staff, handed piece by
// piece to a caller's text callback.

#include "Context.h"
#include "FsaMaintenance.h"
#include "FsaPartitions.h"

#include <cstdint>
#include <string>

// Sections of MSC_DumpMassiveTextData.
enum : std::uint32_t {
    MSC_DUMP_PARTITIONS = 1,
    MSC_DUMP_CONTAINERS = 2,
    MSC_DUMP_HISTORY_LAST = 4,
    MSC_DUMP_HISTORY_CURRENT = 8,
    MSC_DUMP_BATTERY = 16,
};

void MSC_DTprintf(FSA_TEXT_CALLBACK callback, void* user, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
// A size in 512-byte blocks as KB, MB or GB.
std::string SizeString(std::uint64_t blocks);
// The chunk size of a stripe or RAID-5 partition, else four blanks.
std::string PChunk(const Partition* partition);
const char* ContainerTypeText(std::uint32_t type);

void MSC_DumpMassiveTextData(FSAAPI_CONTEXT* ctx, std::uint32_t selector,
                             FSA_TEXT_CALLBACK callback, void* user);
void MSC_ShowPartitionTable(FSAAPI_CONTEXT* ctx, FSA_TEXT_CALLBACK callback, void* user);
// One container's lines, after the table's header lines when `header` is
// set (which also forgets the containers shown so far); `detail` adds its
// partitions. False when the container does not exist or was shown.
bool MSC_ShowContainer(FSAAPI_CONTEXT* ctx, FSA_TEXT_CALLBACK callback, void* user, int n,
                       int header, int detail);
void MSC_ShowContainerTable(FSAAPI_CONTEXT* ctx, FSA_TEXT_CALLBACK callback, void* user);

// A partition's creation stamp as the dumps print it.
struct MSC_STAMP {
    unsigned month, day, year, hour, minute, second;
};
MSC_STAMP MSC_DecodeStamp(const Partition& p);
void MSC_ShowBattery(FSAAPI_CONTEXT* ctx, FSA_TEXT_CALLBACK callback, void* user);
