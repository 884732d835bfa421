// The base of every clean-up action: one section of the ini file read into
// entry lines with the path placeholders replaced, the action's progress
// text, and the one operation that works through the entries.
#pragma once

#include "ini_section.h"
#include "placeholders.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

class INIReader {
public:
    explicit INIReader(EntryKind kind = EntryKind::Text);
    INIReader(const INIReader&) = delete;
    INIReader& operator=(const INIReader&) = delete;

    // Works through the entries and writes the log; non-zero when it changed
    // something on the machine.
    virtual int action(std::ostream& log) = 0;

    // Reads section `sectionName` (brackets included) of `iniFile` and appends
    // its accepted lines; the progress text is string `statusStringId`.
    void init(const std::string& iniFile, const std::string& sectionName, unsigned statusStringId);
    void print() const;
    std::string getStatusText() const { return m_sStatusText; }
    const std::vector<std::string>& entries() const { return m_entries; }

    static void replacePlaceholder(std::string& line, const std::string& value,
                                   const std::string& tag);
    // Finds the directories behind the placeholders; once per run, before init.
    static void discoverInstallDirectories(int language);
    // The placeholder values in tag order.
    static PlaceholderValues placeholderValues();

    static std::string m_sSystemDrive;
    static std::string m_sWindowsDir;
    static std::string m_sDesktopDir;
    static std::string m_sStartMenuDir;
    static std::string m_sProgramFilesCommonDir;
    static std::string m_sProgramFilesDir;
    static std::string m_sZUTRInstallDir;
    static std::string m_sTamselInstallDir;
    static std::string m_sStrandixInstallDir;
    static std::string m_RACMNInstallDir;
    static std::string m_RACVNCInstallDir;
    static std::string m_sVESK2MNDir;
    static std::string m_sVESK2MSDir;

protected:
    // Action objects are members of the application and never deleted
    // through this base.
    ~INIReader() = default;

    // The shape every action shares: the entry trace, an empty log line and
    // the heading, the lines of the section that were not taken, then `step`
    // for each entry. Answers 1 when any step answered true, else 0.
    int forEachEntry(std::ostream& log, const char* entryTrace, const char* heading,
                     const std::function<bool(const std::string&)>& step) const;
    // One log line for each line of the section that was refused or, being
    // over-long, ended its reading: the user sees what was not done and why.
    void logLinesNotTaken(std::ostream& log) const;

    std::vector<std::string> m_entries;
    std::string m_sStatusText;
    std::string m_sSectionName;

private:
    EntryKind m_kind;
    std::vector<std::string> m_refused; // printable
    std::string m_cutLine;              // printable start, or empty
};
