#include "ini_reader.h"

#include "ini_section.h"
#include "trace.h"

#include <winui/application.h>

#include <fstream>

std::string INIReader::m_sSystemDrive;
std::string INIReader::m_sWindowsDir;
std::string INIReader::m_sDesktopDir;
std::string INIReader::m_sStartMenuDir;
std::string INIReader::m_sProgramFilesCommonDir;
std::string INIReader::m_sProgramFilesDir;
std::string INIReader::m_sZUTRInstallDir;
std::string INIReader::m_sTamselInstallDir;
std::string INIReader::m_sStrandixInstallDir;
std::string INIReader::m_RACMNInstallDir;
std::string INIReader::m_RACVNCInstallDir;
std::string INIReader::m_sVESK2MNDir;
std::string INIReader::m_sVESK2MSDir;

INIReader::INIReader(EntryKind kind) : m_kind(kind) {
    formatTrace("INSIDE INIREADER\n");
}

PlaceholderValues INIReader::placeholderValues() {
    return {m_sVESK2MNDir,         m_sVESK2MSDir,
            m_sZUTRInstallDir,     m_sTamselInstallDir,
            m_sStrandixInstallDir, m_RACMNInstallDir,
            m_RACVNCInstallDir,    m_sSystemDrive,
            m_sWindowsDir,         m_sProgramFilesCommonDir,
            m_sProgramFilesDir,    m_sDesktopDir,
            m_sStartMenuDir};
}

void INIReader::replacePlaceholder(std::string& line, const std::string& value,
                                   const std::string& tag) {
    ::replacePlaceholder(line, value, tag);
}

void INIReader::init(const std::string& iniFile, const std::string& sectionName,
                     unsigned statusStringId) {
    formatTrace("INIReader::init( %s, %s )\n", iniFile.c_str(), sectionName.c_str());
    m_sStatusText = winui::loadString(statusStringId);
    m_sSectionName = sectionName;
    std::ifstream file(iniFile);
    if (!file)
        return;
    IniSection section = readIniSection(file, m_sSectionName, placeholderValues(), m_kind);
    for (const auto& line : section.unresolved)
        formatTrace("NOT Adding %s to list\n", line.c_str());
    for (const auto& line : section.refused) {
        m_refused.push_back(printableText(line));
        formatTrace("NOT Adding %s to list: it holds a character Windows cannot take\n",
                    m_refused.back().c_str());
    }
    if (!section.cutLine.empty()) {
        m_cutLine = printableText(section.cutLine);
        formatTrace("NOT Adding over-long line beginning %s to list, nor the rest of %s\n",
                    m_cutLine.c_str(), m_sSectionName.c_str());
    }
    m_entries.insert(m_entries.end(), section.entries.begin(), section.entries.end());
}

void INIReader::logLinesNotTaken(std::ostream& log) const {
    for (const auto& line : m_refused)
        log << "Not done: " << line << " holds a character Windows cannot take." << std::endl;
    if (!m_cutLine.empty())
        log << "Not done: the line beginning " << m_cutLine << " is over " << kIniLineMax
            << " characters long; the rest of " << m_sSectionName << " was not read." << std::endl;
}

void INIReader::print() const {
    formatTrace("INIReader::print( )\n");
    for (const auto& entry : m_entries)
        formatTrace("%s\n", entry.c_str());
}

int INIReader::forEachEntry(std::ostream& log, const char* entryTrace, const char* heading,
                            const std::function<bool(const std::string&)>& step) const {
    formatTrace("%s", entryTrace);
    log << std::endl << heading << std::endl;
    logLinesNotTaken(log);
    bool changed = false;
    for (const auto& entry : m_entries)
        changed = step(entry) || changed;
    return changed ? 1 : 0;
}
