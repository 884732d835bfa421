#include "TraceText.h"

#include "Trace.h"

#include <cstdio>
#include <cstring>
#include <dirent.h>

namespace {

struct Name {
    std::uint32_t value;
    const char* text;
};

template <std::size_t N>
const char* lookup(const Name (&table)[N], std::uint32_t value, const char* other) {
    for (const auto& n : table)
        if (n.value == value)
            return n.text;
    return other;
}

const char* const kCtNames[184] = {
    "Null",
    "GET_SLICE_COUNT",
    "GET_PARTITION_COUNT",
    "GET_PARTITION_INFO",
    "GET_CONTAINER_COUNT",
    nullptr,
    "WRITE_MBR",
    "WRITE_PARTITION",
    "UPDATE_PARTITION",
    "UNLOAD_CONTAINER",
    "CONFIG_SINGLE_PRIMARY",
    "READ_CONFIG_AGE",
    "WRITE_CONFIG_AGE",
    "READ_SERIAL_NUMBER",
    "ZERO_PAR_ENTRY",
    "READ_MBR",
    "READ_PARTITION",
    "DESTROY_CONTAINER",
    "DESTROY2_CONTAINER",
    "SLICE_SIZE",
    "CHECK_CONFLICTS",
    "MOVE_CONTAINER",
    "READ_LAST_DRIVE",
    "WRITE_LAST_DRIVE",
    "UNMIRROR",
    "MIRROR_DELAY",
    "GEN_MIRROR",
    "GEN_MIRROR2",
    "TEST_CONTAINER",
    "MOVE2",
    "SPLIT",
    "SPLIT2",
    "SPLIT_BROKEN",
    "SPLIT_BROKEN2",
    "RECONFIG",
    "BREAK2",
    "BREAK",
    "MERGE2",
    "MERGE",
    "FORCE_ERROR",
    "CLEAR_ERROR",
    "ASSIGN_FAILOVER",
    "CLEAR_FAILOVER",
    "GET_FAILOVER_DATA",
    "VOLUME_ADD",
    "VOLUME_ADD2",
    "MIRROR_STATUS",
    "COPY_STATUS",
    "COPY",
    "UNLOCK_CONTAINER",
    "LOCK_CONTAINER",
    "MAKE_READ_ONLY",
    "MAKE_READ_WRITE",
    "CLEAN_DEAD",
    "ABORT_MIRROR_COMMAND",
    "SET",
    "GET",
    "GET_NVLOG_ENTRY",
    "GET_DELAY",
    "ZERO_CONTAINER_SPACE",
    "GET_ZERO_STATUS",
    "SCRUB",
    "GET_SCRUB_STATUS",
    "GET_SLICE_INFO",
    "GET_SCSI_METHOD",
    "PAUSE_IO",
    "RELEASE_IO",
    "SCRUB2",
    "MCHECK",
    "CORRUPT",
    "GET_TASK_COUNT",
    "PROMOTE",
    "SET_DEAD",
    "CONTAINER_OPTIONS",
    "GET_NV_PARAM",
    "GET_PARAM",
    "NV_PARAM_SIZE",
    "COMMON_PARAM_SIZE",
    "PLATFORM_PARAM_SIZE",
    "SET_NV_PARAM",
    "ABORT_SCRUB",
    "GET_SCRUB_ERROR",
    "LABEL_CONTAINER",
    "CONTINUE_DATA",
    "STOP_DATA",
    "GET_PARTITION_TABLE",
    "GET_DISK_PARTITIONS",
    "GET_MISC_STATUS",
    "GET_CONTAINER_PERF_INFO",
    "GET_TIME",
    "READ_DATA",
    "CTR",
    "CTL",
    "DRAINIO",
    "RELEASEIO",
    "GET_NVRAM",
    "GET_MEMORY",
    "PRINT_CT_LOG",
    "ADD_LEVEL",
    "NV_ZERO",
    "READ_SIGNATURE",
    "THROTTLE_ON",
    "THROTTLE_OFF",
    "GET_THROTTLE_STATS",
    "MAKE_SNAPSHOT",
    "REMOVE_SNAPSHOT",
    "WRITE_USER_FLAGS",
    "READ_USER_FLAGS",
    "MONITOR",
    "GEN_MORPH",
    "GET_SNAPSHOT_INFO",
    "CACHE_SET",
    "CACHE_STAT",
    "TRACE_START",
    "TRACE_STOP",
    "TRACE_ENABLE",
    "TRACE_DISABLE",
    "FORCE_CORE_DUMP",
    "SET_SERIAL_NUMBER",
    "RESET_SERIAL_NUMBER",
    "ENABLE_RAID5",
    "CLEAR_VALID_DUMP_FLAG",
    "GET_MEM_STATS",
    "GET_CORE_SIZE",
    nullptr,
    "STOP_DUMPS",
    "PANIC_ON_TAKE_A_BREAK",
    "GET_CACHE_STATS",
    "MOVE_PARTITION",
    "FLUSH_CACHE",
    "READ_NAME",
    "WRITE_NAME",
    "TOSS_CACHE",
    "LOCK_DRAINIO",
    "CONTAINER_OFFLINE",
    "SET_CACHE_SIZE",
    "CLEAN_SHUTDOWN_STATUS",
    "CLEAR_DISKLOG_ON_DISK",
    "CLEAR_ALL_DISKLOG",
    "CACHE_FAVOR",
    "READ_PASSTHRU_MBR",
    "SCRUB_NOFIX",
    "SCRUB2_NOFIX",
    "FLUSH",
    "REBUILD",
    "FLUSH_CONTAINER",
    "RESTART",
    "GET_CONFIG_STATUS",
    "TRACE_FLAG",
    "RESTART_MORPH",
    "GET_TRACE_INFO",
    "GET_TRACE_ITEM",
    "COMMIT_CONFIG",
    "CONTAINER_EXISTS",
    "GET_SLICE_FROM_DEVT",
    "OPEN_READ_WRITE",
    "WRITE_MEMORY_BLOCK",
    "GET_CACHE_PARAMS",
    "CRAZY_CACHE",
    "GET_PROFILE_STRUCT",
    "SET_IO_TRACE_FLAG",
    "GET_IO_TRACE_STRUCT",
    "CID_TO_64BITS_UID",
    "64BITS_UID_TO_CID",
    "PAR_TO_64BITS_UID",
    "CID_TO_32BITS_UID",
    "32BITS_UID_TO_CID",
    "PAR_TO_32BITS_UID",
    "SET_FAILOVER_OPTION",
    "GET_FAILOVER_OPTION",
    "STRIPE_ADD2",
    "CREATE_VOLUME_SET",
    "CREATE_STRIPE_SET",
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    "GET_CONTAINER_INFO",
    "CREATE_CONTAINER",
    nullptr,
    nullptr,
    nullptr,
    "LAST_COMMAND",
};

const Name kFibCommands[] = {
    {1, "TestCommandResponse"},
    {2, "TestAdapterCommand"},
    {100, "LastTestCommand"},
    {101, "ReinitHostNormCommandQueue"},
    {102, "ReinitHostHighCommandQueue"},
    {103, "ReinitHostHighRespQueue"},
    {104, "ReinitHostNormRespQueue"},
    {105, "ReinitAdapNormCommandQueue"},
    {107, "ReinitAdapHighCommandQueue"},
    {108, "ReinitAdapHighRespQueue"},
    {109, "ReinitAdapNormRespQueue"},
    {110, "InterfaceShutdown"},
    {120, "DmaCommandFib"},
    {121, "StartProfile"},
    {122, "TermProfile"},
    {123, "SpeedTest"},
    {124, "TakeABreakPt"},
    {125, "RequestPerfData"},
    {126, "SetInterruptDefTimer"},
    {127, "SetInterruptDefCount"},
    {128, "GetInterruptDefStatus"},
    {129, "LastCommCommand"},
    {300, "NuFileSystem"},
    {301, "UFS"},
    {302, "HostFileSystem"},
    {303, "LastFileSystemCommand"},
    {500, "ContainerCommand"},
    {550, "ClusterCommand"},
    {600, "ScsiPortCommand"},
    {700, "AifRequest"},
    {701, "CheckRevision"},
    {702, "FsaHostShutdown"},
    {703, "RequestAdapterInfo"},
    {704, "IsAdapterPaused"},
    {706, "LastMiscCommand"},
};

const Name kAccess[] = {{0, "FSA_ACC_READ_ONLY"},       {1, "FSA_ACC_READ_WRITE"},
                        {2, "FSA_ACC_LL_READ_ONLY"},    {3, "FSA_ACC_LL_READ_WRITE"},
                        {4, "FSA_ACC_SNAPSHOT"},        {5, "FSA_ACC_LL_SNAPSHOT"},
                        {6, "FSA_ACC_UTILITY"},         {7, "FSA_ACC_UNKNOWN"},
                        {8, "FSA_RZC_CLUSTER_MANAGER"}, {9, "FSA_RZC_LL_CLUSTER_MANAGER"}};

const Name kUsage[] = {
    {0, "FSA_CU_NONE"},          {1, "FSA_CU_RESERVED1"},  {2, "FSA_CU_MULTI_PARTTN"},
    {3, "FSA_CU_NOT_AVAILABLE"}, {4, "FSA_CU_UNKNOWN"},    {5, "FSA_CU_RESERVED2"},
    {6, "FSA_CU_SNAPSHOT_DEAD"}, {7, "FSA_CU_NTFS"},       {8, "FSA_CU_FAT"},
    {9, "FSA_CU_HPFS"},          {10, "FSA_CU_BUSY"},      {11, "FSA_CU_NETWARE"},
    {12, "FSA_CU_UX_VALID"},     {13, "FSA_CU_UX_OPEN"},   {14, "FSA_CU_UX_DELETED"},
    {16, "FSA_CU_UX_UNMAPPED"},  {17, "FSA_CU_UX_UNKNOWN"}};

const Name kAvail[] = {{1, "FSA_AVL_UNKNOWN"}, {2, "FSA_AVL_READ_ONLY"}, {3, "FSA_AVL_READ_WRITE"}};
const Name kStructTypes[] = {{1, "TFib"}, {2, "TQe"}, {3, "TCtPerf"}};
const Name kLockCmds[] = {{F_GETLK, "F_GETLK"}, {F_SETLK, "F_SETLK"}};
const Name kLockTypes[] = {{F_RDLCK, "F_RDLCK"}, {F_WRLCK, "F_WRLCK"}, {F_UNLCK, "F_UNLCK"}};
const Name kWhence[] = {{SEEK_SET, "SEEK_SET"}, {SEEK_CUR, "SEEK_CUR"}, {SEEK_END, "SEEK_END"}};

std::uint32_t payloadWord(const _FIB* fib, std::size_t i) {
    std::uint32_t v;
    std::memcpy(&v, fib->data + 4 * i, 4);
    return v;
}

} // namespace

const char* fauxAscii_FSA_Access(std::uint32_t access) {
    return lookup(kAccess, access, "unknown");
}
const char* fauxAscii_FSA_Avail(std::uint32_t avail) {
    return lookup(kAvail, avail, "unknown");
}
const char* fauxAscii_FSA_FIBCommand(std::uint16_t command) {
    return lookup(kFibCommands, command, "unknown FIB_COMMAND");
}
const char* fauxAscii_FSA_FIBStructType(std::uint8_t type) {
    return lookup(kStructTypes, type, "unknown STRUCT_TYPES");
}
const char* fauxAscii_FSA_Usage(std::uint32_t usage) {
    return lookup(kUsage, usage, "unknown");
}
const char* fauxAscii_OS_Cmd(int cmd) {
    return lookup(kLockCmds, static_cast<std::uint32_t>(cmd), "unknown");
}
const char* fauxAscii_OS_Type(int type) {
    return lookup(kLockTypes, static_cast<std::uint32_t>(type), "unknown");
}
const char* fauxAscii_OS_Whence(int whence) {
    return lookup(kWhence, static_cast<std::uint32_t>(whence), "unknown");
}

char* fauxAscii_OS_dki_ctype(char* buffer, int) {
    std::strcpy(buffer, "unknown");
    return buffer;
}

const char* fauxAscii_CtCommandName(std::uint32_t command) {
    return command < 184 ? kCtNames[command] : nullptr;
}

const char* fauxAscii_FSA_TFibCommand(const _FIB* fib) {
    // One buffer per thread: the receive thread traces its FIBs too.
    static thread_local char text[64];
    if (fib->StructType != 1 || fib->Command != 500) {
        text[0] = '\0';
    } else if (fib->Size == 464) {
        const std::uint32_t command = payloadWord(fib, 1);
        if (const char* name = fauxAscii_CtCommandName(command))
            std::snprintf(text, sizeof text, "%s", name);
        else
            std::snprintf(text, sizeof text, "[unknown CTCOMMAND:%u]", command);
    } else if (fib->Size == 12) {
        if (payloadWord(fib, 0) == 1)
            std::snprintf(text, sizeof text, "VM_NameServe");
        else
            std::snprintf(text, sizeof text, "[unknown MNTINFO:VMCOMMAND:%u]", payloadWord(fib, 0));
    } else {
        std::snprintf(text, sizeof text, "[unknown TFib, Header.Size:%d]", fib->Size);
    }
    return text;
}

char* fauxAscii_OS_mode(char* buffer, unsigned long mode) {
    const unsigned long type = mode & 0xF000;
    char perms[10];
    static const char letters[] = "rwxrwxrwx";
    for (int i = 0; i < 9; ++i)
        perms[i] = (mode & (0x100UL >> i)) ? letters[i] : '-';
    perms[9] = '\0';
    std::sprintf(buffer, " 0x%08lx %c%c%c %c%c %s", mode, (mode & 0x200) ? 't' : '-',
                 (mode & 0x400) ? 'g' : '-', (mode & 0x800) ? 'u' : '-', type == 0xA000 ? 'l' : '-',
                 type == 0x4000 ? 'd' : '-', perms);
    return buffer;
}

char* fauxAscii_OS_time_t(char* buffer, std::time_t time) {
    char text[32];
    if (!::ctime_r(&time, text))
        text[0] = '\0';
    text[strcspn(text, "\n")] = '\0';
    std::strcpy(buffer, text);
    return buffer;
}

void fauxPrint_UnixQueryDisk(std::uint64_t module, int level, const char* label,
                             const _UNIX_QUERY_DISK* q) {
    if (!faux_DbgEnabled(module, level))
        return;
    FsaUxDbgFilePrintf(
        module, level,
        "%s: ctr=%d, Instance=%d, Bus=%d, Target=%d, Lun=%d, Valid=%s, Locked=%s, Deleted=%s\n",
        label, q->containerNumber, q->instance, q->bus, q->target, q->lun,
        q->valid ? "TRUE" : "FALSE", q->locked ? "TRUE" : "FALSE", q->deleted ? "TRUE" : "FALSE");
}

void fauxPrint_REVISION(std::uint64_t module, int level, const char* label,
                        const FSA_REVISION* rev) {
    if (!faux_DbgEnabled(module, level))
        return;
    FsaUxDbgFilePrintf(module, level, "-- %s: BN=%d, dash=%d, type=%d, minor=%d, major=%d\n", label,
                       static_cast<int>(rev->buildNumber), rev->dash, rev->type, rev->minor,
                       rev->major);
}

void fauxPrint_FIB(std::uint64_t module, int level, const char* label, const _FIB* fib) {
    if (!faux_DbgEnabled(module, level))
        return;
    FsaUxDbgFilePrintf(module, level, "-- %s: Size=%d, StructType=%s, Command=%s:%s\n", label,
                       fib->Size, fauxAscii_FSA_FIBStructType(fib->StructType),
                       fauxAscii_FSA_FIBCommand(fib->Command), fauxAscii_FSA_TFibCommand(fib));
}

void fauxPrint_OS_FileLock(std::uint64_t module, int level, const char* label, int fd, int cmd,
                           const struct flock* fl) {
    if (!faux_DbgEnabled(module, level))
        return;
    FsaUxDbgFilePrintf(
        module, level,
        "-- %s: psd=%d, cmd=%s, l_type=%s, l_whence=%s, l_start=%ld, l_len=%ld, l_pid=%ld\n", label,
        fd, fauxAscii_OS_Cmd(cmd), fauxAscii_OS_Type(fl->l_type), fauxAscii_OS_Whence(fl->l_whence),
        static_cast<long>(fl->l_start), static_cast<long>(fl->l_len), static_cast<long>(fl->l_pid));
}

void fauxPrint_OS_StatStruct(std::uint64_t module, int level, const char* label,
                             const struct stat* st) {
    if (!faux_DbgEnabled(module, level))
        return;
    char mode[64];
    char a[32], m[32], c[32];
    const int width = static_cast<int>(std::strlen(label));
    FsaUxDbgFilePrintf(
        module, level,
        "-- %s: st_dev=%lu, st_ino=%lu, st_mode=%s, st_nlink=%lu, st_uid=%lu, st_gid=%lu,\n", label,
        static_cast<unsigned long>(st->st_dev), static_cast<unsigned long>(st->st_ino),
        fauxAscii_OS_mode(mode, st->st_mode), static_cast<unsigned long>(st->st_nlink),
        static_cast<unsigned long>(st->st_uid), static_cast<unsigned long>(st->st_gid));
    FsaUxDbgFilePrintf(
        module, level, "   %*.*s  st_rdev=%lu, st_size=%lu, st_blksize=%lu, st_blocks=%lu,\n",
        width, width, "", static_cast<unsigned long>(st->st_rdev),
        static_cast<unsigned long>(st->st_size), static_cast<unsigned long>(st->st_blksize),
        static_cast<unsigned long>(st->st_blocks));
    FsaUxDbgFilePrintf(module, level, "   %*.*s  st_atim=%s, st_mtim=%s, st_ctim=%s\n", width,
                       width, "", fauxAscii_OS_time_t(a, st->st_atime),
                       fauxAscii_OS_time_t(m, st->st_mtime), fauxAscii_OS_time_t(c, st->st_ctime));
}

void fauxPrint_OS_FStatStruct(std::uint64_t module, int level, const char* label, int fd) {
    if (!faux_DbgEnabled(module, level))
        return;
    struct stat st;
    if (::fstat(fd, &st) == 0)
        fauxPrint_OS_StatStruct(module, level, label, &st);
}

void fauxPrint_OS_dirent(std::uint64_t module, int level, const char* label,
                         const struct dirent* d) {
    if (!faux_DbgEnabled(module, level))
        return;
    FsaUxDbgFilePrintf(module, level, "-- %s: ino_t=%lu, d_off=%lu, d_reclen=%lu, d_name='%s'\n",
                       label, static_cast<unsigned long>(d->d_ino),
                       static_cast<unsigned long>(d->d_off),
                       static_cast<unsigned long>(d->d_reclen), d->d_name);
}

void fauxPrint_OS_dk_cfio(std::uint64_t, int, const char*) {}
