// telmda-host: loads the card data-access module as the management host
// does, sends one request given as name=value words, prints the answer.
//
//   telmda-host [--module PATH] [--log] qvacmd=getsummary qvausrinfo=admin ...
//
// Exit code: 0 answered, 1 no answer, 2 the module could not be loaded, 64 a
// bad command line (78, from the data manager stand-in, for its file).
#include "mgmthost/mgmthost_standin.h"
#include "mgmthost/ocs.h"

#include <dlfcn.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using SendCmd = char* (*)(int32_t, OCSParamList);
using FreeData = void (*)(char*);
using AttachFn = int (*)();

constexpr int kUsageError = 64; // EX_USAGE

const char kUsage[] = "usage: telmda-host [--module PATH] [--log] NAME=VALUE...\n"
                      "       telmda-host --help\n"
                      "Sends one request, its parameters as NAME=VALUE words (qvacmd=getsummary\n"
                      "qvausrinfo=admin ...), to the card module and prints the answer.\n"
                      "  --module PATH  the module to load (default: the one built here)\n"
                      "  --log          print the host's command log after the answer\n";

int usageError(const std::string& problem) {
    std::fprintf(stderr, "telmda-host: %s\n%s", problem.c_str(), kUsage);
    return kUsageError;
}

void printLog() {
    for (const ocs_standin::CmdLogEntry& e : ocs_standin::cmdLog())
        std::printf("cmdlog %u user=%s source=%s: %s\n", e.messageId, e.userInfo.c_str(),
                    e.source.c_str(), e.text.c_str());
}

} // namespace

int main(int argc, char** argv) {
    const char* module = TELMDA_HOST_MODULE;
    bool showLog = false;
    std::vector<const char*> params;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::printf("%s", kUsage);
            return 0;
        }
        if (arg == "--module") {
            if (i + 1 >= argc)
                return usageError("missing value after --module");
            module = argv[++i];
        } else if (arg == "--log") {
            showLog = true;
        } else if (arg.rfind("-", 0) == 0) {
            return usageError("unknown option " + arg);
        } else if (arg.find('=') == std::string::npos || arg.front() == '=') {
            return usageError("expected NAME=VALUE, got \"" + arg + "\"");
        } else {
            params.push_back(argv[i]);
        }
    }
    if (params.empty())
        return usageError("no request given");
    void* lib = dlopen(module, RTLD_NOW | RTLD_LOCAL);
    if (!lib) {
        std::fprintf(stderr, "telmda-host: cannot load %s: %s\n", module, dlerror());
        return 2;
    }
    auto attach = reinterpret_cast<AttachFn>(dlsym(lib, "ModuleAttach"));
    auto detach = reinterpret_cast<AttachFn>(dlsym(lib, "ModuleDetach"));
    auto send = reinterpret_cast<SendCmd>(dlsym(lib, "telmda_sendCmd"));
    auto release = reinterpret_cast<FreeData>(dlsym(lib, "telmda_freeData"));
    if (!attach || !detach || !send || !release) {
        std::fprintf(stderr, "telmda-host: %s lacks the module entry points\n", module);
        dlclose(lib);
        return 2;
    }
    int rc = 1;
    if (attach() == 1) {
        char* answer = send(static_cast<int32_t>(params.size()), params.data());
        if (answer) {
            std::printf("%s\n", answer);
            release(answer);
            rc = 0;
        }
    } else {
        std::fprintf(stderr, "telmda-host: the module refused to attach\n");
    }
    detach();
    dlclose(lib);
    if (showLog)
        printLog();
    return rc;
}
