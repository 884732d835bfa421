// The DLL sets its paths up when a process attaches.
#include <windows.h>

#include "db_paths.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    switch (reason) {
    case DLL_PROCESS_ATTACH:
        return ModuleAttach();
    case DLL_PROCESS_DETACH:
        return ModuleDetach();
    default:
        return TRUE;
    }
}
