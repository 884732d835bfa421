// Runs the card's command-line tool through /bin/sh and waits for it.
#include "exported_call.h"
#include "telmda/card_link.h"
#include "tool_lines.h"

#include <cerrno>
#include <optional>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// The tool's line, run; -1 when it cannot be made.
template <class MakeLine> int16_t run(MakeLine&& makeLine) {
    return telmda::exportedCall(int16_t{-1}, [&]() -> int16_t {
        const std::optional<std::string> line = makeLine();
        return line ? ExecImage(line->c_str()) : -1;
    });
}

} // namespace

using namespace telmda;

extern "C" {

int mySystem(const char* commandLine, int wait) {
    return exportedCall(-1, [&] {
        if (!commandLine)
            return 1;
        const pid_t child = fork();
        if (child < 0)
            return -1;
        if (child == 0) {
            char* const argv[] = {const_cast<char*>("sh"), const_cast<char*>("-c"),
                                  const_cast<char*>(commandLine), nullptr};
            execve("/bin/sh", argv, environ);
            _exit(127); // no exit handlers of the host in the child
        }
        if (!wait)
            return 0;
        int status = 0;
        while (waitpid(child, &status, 0) < 0)
            if (errno != EINTR)
                return -1;
        return status;
    });
}

int16_t ExecImage(const char* commandLine) {
    return static_cast<int16_t>(mySystem(commandLine, 1));
}

int16_t CfgCSRProperties(const char* property, const char* value) {
    return run([&] { return csrPropertyLine(property, value); });
}

int16_t GenerateCert(const char* fileName) {
    return run([&] { return csrGenerateLine(fileName); });
}

int16_t UploadSSLCert(const char* fileName, const char* type) {
    return run([&] { return certUploadLine(fileName, type); });
}

int16_t SetRacOSAuth(const char* value) {
    return run([&] { return localOsAuthLine(value); });
}

} // extern "C"
