#pragma once

// Enumeration values as text, and trace printers of library and system
// records.

#include "DriverRequests.h"
#include "FsaTypes.h"

#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>

struct dirent;

const char* fauxAscii_FSA_Access(std::uint32_t access);
const char* fauxAscii_FSA_Avail(std::uint32_t avail);
const char* fauxAscii_FSA_FIBCommand(std::uint16_t command);
const char* fauxAscii_FSA_FIBStructType(std::uint8_t type);
const char* fauxAscii_FSA_Usage(std::uint32_t usage);
const char* fauxAscii_OS_Cmd(int cmd);
const char* fauxAscii_OS_Type(int type);
const char* fauxAscii_OS_Whence(int whence);
char* fauxAscii_OS_dki_ctype(char* buffer, int type);
const char* fauxAscii_FSA_TFibCommand(const _FIB* fib);
// The name of a container sub-command, null when it has none.
const char* fauxAscii_CtCommandName(std::uint32_t command);
char* fauxAscii_OS_mode(char* buffer, unsigned long mode);
char* fauxAscii_OS_time_t(char* buffer, std::time_t time);

void fauxPrint_UnixQueryDisk(std::uint64_t module, int level, const char* label,
                             const _UNIX_QUERY_DISK* q);
void fauxPrint_REVISION(std::uint64_t module, int level, const char* label,
                        const FSA_REVISION* rev);
void fauxPrint_FIB(std::uint64_t module, int level, const char* label, const _FIB* fib);
void fauxPrint_OS_FileLock(std::uint64_t module, int level, const char* label, int fd, int cmd,
                           const struct flock* fl);
void fauxPrint_OS_StatStruct(std::uint64_t module, int level, const char* label,
                             const struct stat* st);
void fauxPrint_OS_FStatStruct(std::uint64_t module, int level, const char* label, int fd);
void fauxPrint_OS_dirent(std::uint64_t module, int level, const char* label,
                         const struct dirent* d);
void fauxPrint_OS_dk_cfio(std::uint64_t module, int level, const char* label);
