// Sends a message to every top-level window and waits until each has
// answered, as installers do when they announce changed settings.
#include <windows.h>

int main() {
    UINT message = RegisterWindowMessageA("KorBroadcastTest");
    SendMessageA(HWND_BROADCAST, message, 0, 0);
    return 0;
}
