// The signal table for command-line front ends.
#include "OsLayer.h"
#include "Trace.h"

#include <csignal>
#include <unistd.h>

namespace {

enum class Mode { Default = 0, NoChange = 1, General = 2 };
enum class Handler { None, StopNotice, Reset, Exit };

struct SignalRow {
    int signal;
    const char* name;
    Handler handler;
    Mode mode;
};

const SignalRow faux_clsSignals[] = {
    {SIGHUP, "SIGHUP", Handler::StopNotice, Mode::General},
    {SIGWINCH, "SIGWINCH", Handler::Reset, Mode::General},
    {SIGINT, "SIGINT", Handler::Exit, Mode::Default},
    {SIGABRT, "SIGABRT", Handler::Exit, Mode::Default},
    {SIGBUS, "SIGBUS", Handler::Exit, Mode::Default},
    {SIGFPE, "SIGFPE", Handler::Exit, Mode::Default},
    {SIGSEGV, "SIGSEGV", Handler::Exit, Mode::Default},
    {SIGTERM, "SIGTERM", Handler::Exit, Mode::Default},
    {SIGSTKFLT, "SIGSTKFLT", Handler::Exit, Mode::Default},
    {SIGXCPU, "SIGXCPU", Handler::None, Mode::NoChange},
    {SIGXFSZ, "SIGXFSZ", Handler::None, Mode::NoChange},
    {SIGPWR, "SIGPWR", Handler::Exit, Mode::Default},
};

void (*g_exit)(int) = nullptr;
void (*g_reset)(int) = nullptr;

void install(int signal);

extern "C" void generalHandler(int signal) {
    for (const SignalRow& row : faux_clsSignals) {
        if (row.signal != signal)
            continue;
        if (row.handler == Handler::Exit && g_exit)
            g_exit(signal);
        else if (row.handler == Handler::Reset && g_reset)
            g_reset(signal);
        // The stop notice only has to end a blocking driver wait.
        if (row.mode == Mode::Default) {
            ::signal(signal, SIG_DFL);
            ::kill(::getpid(), signal);
        } else if (row.mode == Mode::General) {
            install(signal);
        }
        return;
    }
}

void install(int signal) {
    struct sigaction sa {};
    sa.sa_handler = generalHandler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = 0;
    ::sigaction(signal, &sa, nullptr);
}

} // namespace

extern "C" {

void FsaUxInitSignal(void (*exitFunction)(int), void (*resetFunction)(int)) {
    g_exit = exitFunction;
    g_reset = resetFunction;
    for (const SignalRow& row : faux_clsSignals)
        install(row.signal);
}

void FsaUxInitWindowResizeSignal() {
    install(SIGWINCH);
}
}
