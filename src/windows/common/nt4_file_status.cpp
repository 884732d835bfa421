// The C++ runtime's file streams ask for a descriptor's status through
// _fstat64, which the C runtime DLL of Windows NT 4.0 and 2000 does not
// export: a program importing it would not load there. The 32-bit programs
// carry their own. It answers what the streams look at, whether the
// descriptor is a regular file and its size.
#include <windows.h>

#include <errno.h>
#include <io.h>
#include <string.h>
#include <sys/stat.h>

namespace {

unsigned short modeOf(DWORD fileType) {
    switch (fileType) {
    case FILE_TYPE_DISK:
        return _S_IFREG;
    case FILE_TYPE_CHAR:
        return _S_IFCHR;
    case FILE_TYPE_PIPE:
        return _S_IFIFO;
    default:
        return 0;
    }
}

int __cdecl descriptorStatus(int descriptor, struct _stat64* status) {
    HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(descriptor));
    if (handle == INVALID_HANDLE_VALUE || status == nullptr) {
        errno = EBADF;
        return -1;
    }
    memset(status, 0, sizeof *status);
    status->st_mode = modeOf(GetFileType(handle));
    if (status->st_mode == _S_IFREG) {
        DWORD high = 0;
        DWORD low = GetFileSize(handle, &high);
        if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) {
            errno = EBADF;
            return -1;
        }
        status->st_size = (static_cast<__int64>(high) << 32) | low;
    }
    return 0;
}

} // namespace

// The runtime reaches the function through its import slot; this slot takes
// the place of the C runtime DLL's.
extern "C" {
int(__cdecl* _imp___fstat64)(int, struct _stat64*) = descriptorStatus;
}
