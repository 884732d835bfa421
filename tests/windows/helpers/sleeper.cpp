// A process that just waits, for tests that list and terminate processes.
// It ends by itself after the seconds given (60 by default), so that a
// failed test leaves nothing behind for long.
#include <windows.h>

#include <cstdlib>

int main(int argc, char** argv) {
    int seconds = argc > 1 ? std::atoi(argv[1]) : 60;
    Sleep(static_cast<DWORD>(seconds) * 1000);
    return 0;
}
