// Runs one uninstaller action in-process with a counting sleeper and prints
// what it waited: "result=<r> sleeps=<n> ms=<total>". The test runs it as a
// program so that wine can report a version outside the NT family to it, where
// the process list comes from the Toolhelp functions.
//   wait_probe <ini> <section> <system drive> <common program files dir>
#include "process_actions.h"
#include "resource.h"
#include "sleeper.h"

#include <iostream>
#include <sstream>

namespace {

unsigned long g_sleeps = 0;
unsigned long g_total = 0;

void countingSleep(unsigned long ms) {
    ++g_sleeps;
    g_total += ms;
}

template <typename Action> int runAction(const std::string& ini, const std::string& section) {
    Action action;
    action.init(ini, section, IDS_UNINSTALLING);
    std::ostringstream log;
    return action.action(log);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5)
        return 2;
    INIReader::m_sSystemDrive = argv[3];
    INIReader::m_sProgramFilesCommonDir = argv[4];
    setSleepFunction(countingSleep);
    const std::string section = argv[2];
    int result = section == "[UNINSTALL_APPS_TO_RUN]"
                     ? runAction<UninstallApps>(argv[1], section)
                     : runAction<UninstallAppsRegistry>(argv[1], section);
    std::cout << "result=" << result << " sleeps=" << g_sleeps << " ms=" << g_total << std::endl;
    return 0;
}
