#include "file_identity.h"

bool identityOf(const std::string& path, FileIdentity& identity, DWORD& error) {
    // Reading attributes is all the query needs; directories open only with
    // backup semantics. Nobody else is kept from the file meanwhile.
    HANDLE handle = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        return false;
    }
    BY_HANDLE_FILE_INFORMATION information;
    bool known = GetFileInformationByHandle(handle, &information) != 0;
    error = known ? ERROR_SUCCESS : GetLastError();
    CloseHandle(handle);
    if (known) {
        identity.volumeSerial = information.dwVolumeSerialNumber;
        identity.indexHigh = information.nFileIndexHigh;
        identity.indexLow = information.nFileIndexLow;
    }
    return known;
}

bool isAbsence(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}
