#include "utility.h"

#include "proc_address.h"
#include "trace.h"

namespace {

using GetFolderPathFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPSTR);

class Library {
public:
    explicit Library(const char* name) : module_(LoadLibraryA(name)) {}
    ~Library() {
        if (module_)
            FreeLibrary(module_);
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

} // namespace

std::string GetDesktopAndStartMenuFolder(int folderId) {
    Library shfolder("shfolder.dll");
    if (!shfolder.get()) {
        formatTrace("could not load library shfolder.dll\n");
        return {};
    }
    auto getFolderPath = kor::procAddress<GetFolderPathFn>(shfolder.get(), "SHGetFolderPathA");
    if (!getFolderPath) {
        formatTrace("Could not get proccess address for SHGetFolderPathA\n");
        return {};
    }
    char path[MAX_PATH + 1] = {};
    HRESULT result = getFolderPath(nullptr, folderId, nullptr, 0, path);
    if (result == S_OK)
        return std::string(path);
    if (result == S_FALSE)
        formatTrace("GetDesktopAndStartMenuFolder() Folder does not exist\n");
    else if (result == E_INVALIDARG)
        formatTrace("GetDesktopAndStartMenuFolder() INvalid CLSID\n");
    else
        formatTrace("GetDesktopAndStartMenuFolder() Call Failed %d\n", static_cast<int>(result));
    return {};
}
