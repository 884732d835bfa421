// The clean-up program: options, start checks, consent, the actions in
// their fixed order (run_order.def), and the log.
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

    // One action for each section, declared from its run-order row.
#define SWEEPIX_SECTION(position, header, type, member, mode, statusId) type member{mode};
#include "run_order.def"

    std::string m_sAppName = "sweepix";
    std::string m_sLicenseFile = "license.txt";
    bool m_bGUI = true;
    bool m_bConfirm = true;
    std::unique_ptr<ProgressDialog> m_pProgressDlg;
    std::vector<INIReader*> m_runList;
    int m_nLanguage = 5;
    int m_result = 0;
};
