// racsrvc-standin: the card service as far as the link library sees it. It
// writes its pid to /var/run/.racsrvc and, on each SIGUSR2, its state word to
// /var/run/.racMNstate as "0x%X".
//   racsrvc-standin [STATE]      (STATE as a number, default 0x5)
#include "tempfiles/replacement.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

bool writeFile(const char* path, const std::string& text) {
    kor::tempfiles::Replacement file(path);
    file.setMode(0644);
    file.write(text);
    return file.commit();
}

} // namespace

int main(int argc, char** argv) {
    unsigned state = argc > 1 ? static_cast<unsigned>(std::strtoul(argv[1], nullptr, 0)) : 0x5;
    sigset_t wanted;
    sigemptyset(&wanted);
    sigaddset(&wanted, SIGUSR2);
    sigaddset(&wanted, SIGTERM);
    sigaddset(&wanted, SIGINT);
    sigprocmask(SIG_BLOCK, &wanted, nullptr);
    if (!writeFile("/var/run/.racsrvc", std::to_string(getpid()) + "\n")) {
        std::perror("racsrvc-standin: /var/run/.racsrvc");
        return 1;
    }
    std::printf("racsrvc-standin: ready\n");
    std::fflush(stdout);
    for (;;) {
        int signal = 0;
        sigwait(&wanted, &signal);
        if (signal != SIGUSR2)
            return 0;
        char text[16];
        std::snprintf(text, sizeof text, "0x%X", state);
        writeFile("/var/run/.racMNstate", text);
    }
}
