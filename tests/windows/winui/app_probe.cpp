// A program built on the application object, for the start-up test:
//   app_probe stop      InitInstance answers false: the process exits 0
//   app_probe end-self  InitInstance ends the process itself with code 7
// Exit code 2 tells that the string table could not be read.
#include "winui/application.h"

#include <cstring>

namespace {

class ProbeApp : public winui::Application {
public:
    bool InitInstance() override {
        if (winui::loadString(1) != "probe string")
            ExitProcess(2);
        if (std::strstr(GetCommandLineA(), "end-self"))
            ExitProcess(7);
        return false;
    }
};

ProbeApp theApp;

} // namespace
