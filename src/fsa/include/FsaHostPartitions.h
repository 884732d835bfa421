#pragma once

// Operations on the host's view of a container (partitions, file systems,
// drive letters); this platform has no such host layer and answers 514.

#include "FsaTypes.h"

#include <cstdint>

typedef std::uint32_t FSA_FILESYSTEM_TYPE;
struct FSA_NT_PARTITION_INFO;
struct FSA_DRIVE_LETTER_INFO;

extern "C" {
FSA_STATUS FsaNTCreatePartition(void* handle, const tag_FSA_CONTAINER* container, int kind,
                                std::uint64_t offset, std::uint64_t size, unsigned int* out);
FSA_STATUS FsaNTCreateFileSystem(void* handle, const tag_FSA_CONTAINER* container,
                                 unsigned int partition, FSA_FILESYSTEM_TYPE type);
FSA_STATUS FsaNTRemovePartition(void* handle, const tag_FSA_CONTAINER* container,
                                unsigned int partition);
FSA_STATUS FsaNTAssignDriveLetter(void* handle, char letter, const tag_FSA_CONTAINER* container,
                                  unsigned int partition);
FSA_STATUS FsaNTRemoveDriveLetter(void* handle, char letter);
FSA_STATUS FsaNTRemoveDriveLetters(void* handle, const tag_FSA_CONTAINER* container,
                                   unsigned int partition);
FSA_STATUS FsaNTGetByContainer(void* handle, const tag_FSA_CONTAINER* container,
                               unsigned int partition, FSA_NT_PARTITION_INFO* out);
FSA_STATUS FsaNTGetByDriveLetter(void* handle, char letter, unsigned int flags,
                                 FSA_DRIVE_LETTER_INFO* out);
FSA_STATUS FsaNTCheckFTDiskOnContainer(void* handle, const tag_FSA_CONTAINER* container,
                                       int* isFtDisk);
FSA_STATUS FsaNTCheckDynamicDiskOnContainer(void* handle, const tag_FSA_CONTAINER* container,
                                            unsigned int* partitionCount, int* isDynamic,
                                            int* spansContainers, int* hasFileSystem);
FSA_STATUS FsaNTFormatW(void* handle, char letter, FSA_FILESYSTEM_TYPE type, const wchar_t* label,
                        unsigned int a, unsigned int b);
FSA_STATUS FsaNTFormatA(void* handle, char letter, FSA_FILESYSTEM_TYPE type, const char* label,
                        unsigned int a, unsigned int b);
FSA_STATUS FsaNTUpdateSnapshotW(void* handle, tag_FSA_CONTAINER* a, tag_FSA_CONTAINER* b,
                                unsigned int c);
FSA_STATUS FsaNTUpdateSnapshotA(void* handle, tag_FSA_CONTAINER* a, tag_FSA_CONTAINER* b,
                                unsigned int c);
FSA_STATUS FsaNTExtendNativeFileSystem(void* handle, const tag_FSA_CONTAINER* container);
}
