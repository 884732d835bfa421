// Prints what the process list sees, so that a test can run it under a
// Windows version of its choosing (wine sets that per program name).
// Usage: process_list_probe <name to look for>
#include "win32_process.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    Win32Process processes;
    bool ready = processes.initialize();
    std::printf("init=%d error=%s\n", ready ? 1 : 0, processes.errorText().c_str());
    if (!ready)
        return 0;
    std::string name = argc > 1 ? argv[1] : "";
    bool running = false;
    bool asked = processes.GetProcessStatus(name, running);
    std::printf("status=%d running=%d asked=%s\n", asked ? 1 : 0, running ? 1 : 0, name.c_str());
    bool listed = processes.refresh();
    std::printf("refresh=%d count=%u\n", listed ? 1 : 0,
                static_cast<unsigned>(processes.processList().size()));
    std::printf("error=%s\n", processes.errorText().c_str());
    for (const auto& process : processes.processList())
        std::printf("name=%s\n", process.c_str());
    return 0;
}
