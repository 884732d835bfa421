// The clean-up program: options, start checks, consent, the fourteen
// actions in their fixed order, and the log.
#pragma once

#include "file_actions.h"
#include "process_actions.h"
#include "progress_dialog.h"
#include "registry_actions.h"
#include "service_actions.h"
#include "shell_options.h"

#include <winui/application.h>

#include <memory>
#include <string>
#include <vector>

class SweepixApp : public winui::Application {
public:
    SweepixApp();
    // Does the whole run and answers false; the process then ends with
    // ExitInstance's code: the last non-zero action result, else 0.
    bool InitInstance() override;
    int ExitInstance() override { return m_result; }

private:
    bool passStartChecks(const ShellOptions& options);
    bool obtainConsent(const ShellOptions& options);
    void readSections(const std::string& iniFile);
    void runActions(const ShellOptions& options);

    int showMessageBox(unsigned textId, unsigned titleId, unsigned style) const;
    int showMessageBox(const std::string& text, const std::string& title, unsigned style) const;
    void setProgressLine1(const std::string& text);
    void setProgressLine2(const std::string& text);
    void systemLanguageIndex();

    StopServices m_stopSingleServices{ServiceList::Single};
    StopServices m_stopDependentServices{ServiceList::Dependent};
    DeleteServices m_deleteServices;
    DeleteRegistry m_deleteRegistryIfEmpty{TreeRemoval::LeafOnly};
    DeleteRegistry m_deleteRegistry{TreeRemoval::WholeTree};
    DeleteFiles m_deleteFiles;
    DeleteDirectories m_deleteDirectories{TreeRemoval::WholeTree};
    DeleteDirectories m_deleteDirectoriesIfEmpty{TreeRemoval::LeafOnly};
    UninstallApps m_uninstallApps;
    KillProcesses m_killProcesses;
    UninstallAppsRegistry m_uninstallAppsRegistry;
    DeletePathEntries m_deletePathEntries;
    DeleteRegValues m_deleteRegValues;
    SNMPExtensionAgents m_snmpExtensionAgents;

    std::string m_sAppName = "sweepix";
    std::string m_sLicenseFile = "license.txt";
    bool m_bGUI = true;
    bool m_bConfirm = true;
    std::unique_ptr<ProgressDialog> m_pProgressDlg;
    std::vector<INIReader*> m_runList;
    int m_nLanguage = 5;
    int m_result = 0;
};
