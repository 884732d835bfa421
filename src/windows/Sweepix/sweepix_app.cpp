#include "sweepix_app.h"

#include "language_index.h"
#include "license_dialog.h"
#include "process_name.h"
#include "resource.h"
#include "run_order.h"
#include "trace.h"
#include "utility.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iterator>

namespace {

const char* const kLogRule = "-------------------------------------------------------------------";
const char* const kTerminalServerInstall = "cmd /c change user /install";
const char* const kTerminalServerExecute = "cmd /c change user /execute";

class Mutex {
public:
    explicit Mutex(const char* name) : handle_(CreateMutexA(nullptr, FALSE, name)) {
        alreadyExisted_ = handle_ && GetLastError() == ERROR_ALREADY_EXISTS;
    }
    ~Mutex() {
        if (handle_)
            CloseHandle(handle_);
    }
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;
    // Created here: no other copy of the program runs.
    bool ours() const { return handle_ && !alreadyExisted_; }

private:
    HANDLE handle_;
    bool alreadyExisted_ = false;
};

std::vector<std::string> commandArguments() {
    std::vector<std::string> arguments;
    for (int i = 1; i < __argc; ++i)
        arguments.emplace_back(__argv[i]);
    return arguments;
}

std::string localTime() {
    std::time_t now = std::time(nullptr);
    char text[128];
    std::size_t length =
        std::strftime(text, sizeof text, "%H:%M:%S on %A, %B %d, %Y", std::localtime(&now));
    return std::string(text, length);
}

// The text with its first "%s" replaced by `argument` (which is never taken
// as a format itself).
std::string withArgument(const std::string& text, const std::string& argument) {
    std::string result = text;
    std::size_t at = result.find("%s");
    if (at != std::string::npos)
        result.replace(at, 2, argument);
    return result;
}

// The Windows directory and %windir% differ in length on a terminal server
// whose user has a private Windows directory.
bool needsTerminalServerMode() {
    if (!isWindows2000OrLater())
        return true;
    char windows[1024];
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    const char* windir = std::getenv("windir");
    return std::string(windows, length < sizeof windows ? length : 0).size() !=
           std::string(windir ? windir : "").size();
}

} // namespace

SweepixApp::SweepixApp() = default;

int SweepixApp::showMessageBox(unsigned textId, unsigned titleId, unsigned style) const {
    if (!m_bGUI)
        return 0;
    return showMessageBox(winui::loadString(textId), winui::loadString(titleId), style);
}

int SweepixApp::showMessageBox(const std::string& text, const std::string& title,
                               unsigned style) const {
    if (!m_bGUI)
        return 0;
    std::string caption = title.empty() ? winui::loadString(IDS_PROGRAM_TITLE) : title;
    return MessageBoxA(nullptr, text.c_str(), caption.c_str(), style);
}

void SweepixApp::setProgressLine1(const std::string& text) {
    if (m_bGUI && m_pProgressDlg)
        m_pProgressDlg->SetDlgItemText(IDC_PROGRESS_LINE1, text);
}

void SweepixApp::setProgressLine2(const std::string& text) {
    if (m_bGUI && m_pProgressDlg)
        m_pProgressDlg->SetDlgItemText(IDC_PROGRESS_LINE2, text);
}

void SweepixApp::systemLanguageIndex() {
    char text[6] = {};
    if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_ILANGUAGE, text, sizeof text) > 0)
        m_nLanguage = languageIndexFromText(text);
}

bool SweepixApp::InitInstance() {
    ShellOptions options = parseOptions(commandArguments(), m_sAppName);
    for (const auto& line : options.traces)
        formatTrace("%s", line.c_str());
    m_bGUI = options.gui;
    m_bConfirm = options.confirm;
    if (options.stop == ShellOptions::Stop::Help) {
        showMessageBox(IDS_USAGE, IDS_PROGRAM_TITLE, MB_ICONINFORMATION);
        return false;
    }
    if (options.stop == ShellOptions::Stop::UnknownOption) {
        showMessageBox(withArgument(winui::loadString(IDS_UNKNOWN_OPTION), options.unknownArgument),
                       m_sAppName, MB_ICONERROR);
        return false;
    }
    if (!isWindowsNT()) {
        showMessageBox(IDS_NOT_ON_WIN9X, IDS_PROGRAM_TITLE, MB_ICONERROR);
        return false;
    }
    m_nLanguage = kOtherLanguage;
    systemLanguageIndex();
    if (isAdministrator() != 0) {
        showMessageBox(IDS_NOT_ADMINISTRATOR, IDS_PROGRAM_TITLE, MB_ICONERROR);
        return false;
    }
    Mutex singleInstance(isWindows2000OrLater() ? "Global\\SWEEPIXPROGRAMMUTEX"
                                                : "SWEEPIXPROGRAMMUTEX");
    if (!singleInstance.ours()) {
        showMessageBox(IDS_ALREADY_RUNNING, IDS_PROGRAM_TITLE, MB_OK);
        return false;
    }
    if (!passStartChecks(options) || !obtainConsent(options))
        return false;
    runActions(options);
    return false;
}

bool SweepixApp::passStartChecks(const ShellOptions& options) {
    std::string wholeCmdLine = __argc > 0 ? __argv[0] : "";
    kor::lowerAsciiInPlace(wholeCmdLine);
    formatTrace("gcsWholeCmdLine = %s\n", wholeCmdLine.c_str());
    std::size_t backslash = wholeCmdLine.find_last_of('\\');
    if (backslash != std::string::npos && backslash > 0) {
        std::string dir = wholeCmdLine.substr(0, backslash);
        formatTrace("sDir = %s\n", dir.c_str());
        if (!SetCurrentDirectoryA(dir.c_str())) {
            if (m_bConfirm)
                showMessageBox(dir, winui::loadString(IDS_NO_DIRECTORY), MB_ICONERROR);
            return false;
        }
    }
    if (!fileExists(options.iniFile)) {
        showMessageBox("Failed to find INI file " + options.iniFile,
                       winui::loadString(IDS_PROGRAM_TITLE), MB_ICONERROR);
        return false;
    }
    return true;
}

bool SweepixApp::obtainConsent(const ShellOptions& options) {
    if (!m_bGUI)
        return true;
    if (m_bConfirm) {
        if (fileExists(m_sLicenseFile) && LicenseDialog(m_sLicenseFile).DoModal() != IDOK)
            return false;
        if (showMessageBox(options.iniGiven ? IDS_CONFIRM_LISTED : IDS_CONFIRM_ALL,
                           IDS_PROGRAM_TITLE, MB_YESNO | MB_ICONQUESTION) != IDYES)
            return false;
    }
    m_pProgressDlg = std::make_unique<ProgressDialog>();
    m_pProgressDlg->Create();
    return true;
}

void SweepixApp::readSections(const std::string& iniFile) {
    INIReader* const actions[] = {
#define SWEEPIX_SECTION(position, header, type, member, mode, statusId) &member,
#include "run_order.def"
    };
    for (std::size_t i = 0; i < std::size(kRunOrder); ++i) {
        actions[i]->init(iniFile, std::string(kRunOrder[i].header), kRunOrder[i].statusId);
        actions[i]->print();
        m_runList.push_back(actions[i]);
    }
}

void SweepixApp::runActions(const ShellOptions& options) {
    bool terminalServerMode = needsTerminalServerMode();
    if (terminalServerMode)
        runProcessAndWait(kTerminalServerInstall, false);

    setProgressLine1("Initializing");
    setProgressLine2("");
    INIReader::discoverInstallDirectories(m_nLanguage);
    readSections(options.iniFile);

    const std::string tempDir = INIReader::m_sSystemDrive + "\\temp";
    if (!directoryExists(tempDir))
        CreateDirectoryA(tempDir.c_str(), nullptr);
    std::string logFile = options.logFile.empty() ? tempDir + "\\Sweepix.log" : options.logFile;
    std::ofstream log(logFile, options.overwriteLog ? std::ios::trunc : std::ios::app);
    if (!options.overwriteLog)
        log << std::endl << kLogRule << std::endl;
    log << "START TIME = " << localTime() << std::endl;

    const std::string issFiles = tempDir + "\\issfiles";
    bool issFilesCreated = false;
    if (!directoryExists(issFiles))
        issFilesCreated = CreateDirectoryA(issFiles.c_str(), nullptr) != 0;
    CopyDirectory("issfiles", issFiles, true);

    for (INIReader* action : m_runList) {
        setProgressLine1(action->getStatusText());
        if (int result = action->action(log))
            m_result = result;
    }

    log << std::endl << "END TIME = " << localTime() << std::endl;
    log.close();
    if (issFilesCreated)
        DeleteDirectory(issFiles, true);
    if (terminalServerMode)
        runProcessAndWait(kTerminalServerExecute, false);
    if (m_pProgressDlg) {
        m_pProgressDlg->DestroyWindow();
        m_pProgressDlg.reset();
    }
    if ((m_bConfirm && m_result != 0) || options.iniGiven)
        showMessageBox(IDS_REBOOT, IDS_PROGRAM_TITLE, MB_OK);
}
