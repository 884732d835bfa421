// Route choice: direct link or the outside card access library.
#include "route.h"

#include "exported_call.h"
#include "fd.h"
#include "telm/telm.h"
#include "tempfiles/replacement.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

constexpr const char* kRouteFile = "/var/run/.racevent";
constexpr int kLibraryDefault = 2;
constexpr int kDirect = 1;

int readRouteFile() {
    telm::Fd file(open(kRouteFile, O_RDONLY | O_CLOEXEC));
    int32_t value = kLibraryDefault;
    if (!file.valid() || read(file.get(), &value, sizeof value) != sizeof value || value < 0 ||
        value > 2)
        return kLibraryDefault;
    return value;
}

// The file is replaced whole, so a reader never sees a partial value.
int writeRouteFile(int32_t value) {
    kor::tempfiles::Replacement file(kRouteFile);
    file.setMode(0664);
    file.write(&value, sizeof value);
    return file.commit() ? 0 : -1;
}

// The management service's probe: 2 to 126 means it is not running.
bool serviceNotRunning() {
    int rc = std::system("service varnzutr status-quiet 2>/dev/null");
    if (rc == -1 || !WIFEXITED(rc))
        return false;
    int status = WEXITSTATUS(rc);
    return status >= 2 && status <= 126;
}

} // namespace

extern "C" int spIfChoice(int* choice) {
    return telm::exportedCall("spIfChoice", -1, [&] {
        if (choice) {
            if (static_cast<unsigned>(*choice) > 2)
                return -1;
            return writeRouteFile(*choice);
        }
        int value = readRouteFile();
        if (value == kDirect)
            return kDirect;
        return serviceNotRunning() ? value : kDirect;
    });
}

namespace telm {

Route routeOf(int type) {
    if ((type & 0xFF) != 3)
        return Route::Invalid;
    int route = (type >> 8) & 0xFF;
    if (route == 1)
        return Route::Direct;
    if (route == 0)
        return spIfChoice(nullptr) == kDirect ? Route::Direct : Route::Library;
    return Route::Library;
}

} // namespace telm
