/* A program with every fault the image check looks for: it is built for a
 * newer system than NT 4.0, imports functions and a DLL that NT 4.0 lacks, and
 * exports a name. The check must refuse it. */
#include <windows.h>

#include <dwmapi.h>
#include <stdio.h>

__declspec(dllexport) int ProbeExport(void) {
    return 1;
}

static LONG CALLBACK ignore(EXCEPTION_POINTERS* exception) {
    (void)exception;
    return EXCEPTION_CONTINUE_SEARCH;
}

int main(void) {
    BOOL composed = FALSE;
    AddVectoredExceptionHandler(1, ignore);
    DwmIsCompositionEnabled(&composed);
    printf("%llu %d %d\n", (unsigned long long)GetTickCount64(), composed, ProbeExport());
    return 0;
}
