// The operations on the install database: select, update and delete one
// value, delete a project's values, the required-projects list, the
// component record, the install check and the replace step.
#include <cstdlib>
#include <cstring>
#include <string>

#include "db_store.h"
#include "exported_call.h"
#include "trace.h"
#include "vorbdb/db_format.h"
#include "vorbdb/vorbdb.h"

namespace fmt = vorbdb::format;
using vorbdb::RewritePolicy;
using vorbdb::RewriteStatus;
using vorbdb::trace;

namespace {

constexpr const char* kRequireProjects = "requireProjects";

// Update and the component record try a busy database twice; the component
// record also tries its temporary file three times.
constexpr RewritePolicy kSingleTry{1, 1};
constexpr RewritePolicy kUpdateTries{2, 1};
constexpr RewritePolicy kComponentTries{2, 3};

bool storable(const char* text) {
    return text != nullptr && fmt::isStorableText(text);
}

bool storableParameter(const char* parameter) {
    return parameter != nullptr && fmt::isStorableParameter(parameter);
}

RewriteStatus rewrite(const RewritePolicy& policy, const vorbdb::Editor& edit) {
    return vorbdb::rewriteDatabase(vorbdb::activePaths(), policy, edit);
}

// Makes room in `next` for `current` and one more "<key>=<value>" line, so
// that the new text is built in a buffer sized once.
void reserveFor(std::string& next, std::string_view current, std::string_view key,
                std::string_view value) {
    next.reserve(current.size() + key.size() + 1 + value.size() + fmt::kLineEnd.size());
}

// Copies `current` to `next` line by line, except the lines that `takes`
// picks: those go to `replace`, which writes their replacement (or nothing)
// to `next`. Lines are read as fmt::forEachLine reads them. Kept lines go
// over byte for byte, their line ends included; only where this platform's
// line end is not a bare LF (Windows, whose text-mode tools write CRLF) does
// a bare LF become that line end. A last line without a line end stays so;
// fmt::appendEntry ends it should a line follow. Kept lines go over in runs,
// one append for each run, since most of a rewrite is copying.
template <class Takes, class Replace>
void copyLines(std::string_view current, std::string& next, Takes takes, Replace replace) {
    const char* run = current.data(); // kept lines not yet appended
    std::size_t runLength = 0;
    auto appendRun = [&] {
        next.append(run, runLength);
        runLength = 0;
    };
    while (!current.empty()) {
        const std::size_t newline = current.find('\n');
        const std::size_t rawLength =
            newline == std::string_view::npos ? current.size() : newline + 1;
        std::string_view line = current.substr(0, newline);
        if (newline != std::string_view::npos && !line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        const bool bareLf = rawLength - line.size() == 1;
        if (takes(line)) {
            appendRun();
            replace(line);
        } else if (bareLf && fmt::kLineEnd != "\n") {
            appendRun();
            fmt::appendLine(next, line);
        } else {
            if (runLength == 0)
                run = current.data();
            runLength += rawLength;
        }
        current.remove_prefix(rawLength);
    }
    appendRun();
}

// Drops every line for which `drop` holds; false when none was dropped.
template <class Drop> bool copyWithout(std::string_view current, std::string& next, Drop drop) {
    bool dropped = false;
    copyLines(current, next, drop, [&](std::string_view) { dropped = true; });
    return dropped;
}

int deleteLines(const vorbdb::Editor& edit) {
    RewriteStatus status = rewrite(kSingleTry, edit);
    return status == RewriteStatus::Replaced || status == RewriteStatus::Unchanged ? 0 : -1;
}

} // namespace

extern "C" {

int SelectParameterForProjectID(int projectId, const char* parameter, char** value, int* length) {
    return vorbdb::exportedCall("SelectParameterForProjectID", -1, [&] {
        if (length != nullptr)
            *length = 0;
        const char* project = GetProjectStringFromID(projectId);
        if (project == nullptr || !storableParameter(parameter) || value == nullptr ||
            length == nullptr)
            return -1;
        std::string content;
        if (vorbdb::readDatabase(vorbdb::activePaths(), content) != vorbdb::os::ReadResult::Ok)
            return -1;
        std::string_view found;
        if (!fmt::findValue(content, fmt::makeKey(project, parameter), found))
            return -1;
        char* copy = static_cast<char*>(std::malloc(found.size() + 1));
        if (copy == nullptr)
            return -1;
        if (!found.empty())
            std::memcpy(copy, found.data(), found.size());
        copy[found.size()] = '\0';
        *value = copy;
        *length = static_cast<int>(found.size());
        return 0;
    });
}

int UpdateParameterForProjectID(int projectId, const char* parameter, const char* value) {
    return vorbdb::exportedCall("UpdateParameterForProjectID", -1, [&] {
        const char* project = GetProjectStringFromID(projectId);
        if (project == nullptr || !storableParameter(parameter) || !storable(value))
            return -1;
        const std::string key = fmt::makeKey(project, parameter);
        bool firstEntry = false;
        RewriteStatus status =
            rewrite(kUpdateTries, [&](std::string_view current, bool existed, std::string& next) {
                if (!existed) {
                    trace(vorbdb::kTraceDebug, "\nFirst Entry theProjectID %d theParameterID %s",
                          projectId, parameter);
                    firstEntry = true;
                }
                reserveFor(next, current, key, value);
                bool replaced = false;
                copyLines(
                    current, next, [&](std::string_view line) { return fmt::hasKey(line, key); },
                    [&](std::string_view) {
                        fmt::appendEntry(next, key, value);
                        replaced = true;
                        trace(vorbdb::kTraceDebug,
                              "\nDump The Value ...1 theProjectId %d theParameterID %s", projectId,
                              parameter);
                    });
                if (!replaced)
                    fmt::appendEntry(next, key, value);
                return true;
            });
        switch (status) {
        case RewriteStatus::Replaced:
            trace(vorbdb::kTraceDebug,
                  firstEntry ? "\nFirst AU_SUCCESSFUL theProjectId  %d theParameterID %s"
                             : "\nReturn Succ ....2 theProjectId %d theParameterID %s",
                  projectId, parameter);
            return 0;
        case RewriteStatus::ReadFailed:
            trace(vorbdb::kTraceDebug, "\nFgets Failed theProjectId %d theParameterID %s",
                  projectId, parameter);
            break;
        case RewriteStatus::TempOpenFailed:
            trace(vorbdb::kTraceDebug,
                  "\nUnable to open glb_szQVDBTempFileNameWithPath theProjectId  %d theParameterID "
                  "%s",
                  projectId, parameter);
            break;
        case RewriteStatus::TempWriteFailed:
            trace(vorbdb::kTraceAlways, "\nfputs Failed theProjectId %d theParameterID %s",
                  projectId, parameter);
            break;
        case RewriteStatus::ReplaceFailed:
            trace(vorbdb::kTraceDebug,
                  "\nMajor Error..2\ntheProjectId %d theParameterID %s StringValue %s", projectId,
                  parameter, value);
            break;
        default:
            break;
        }
        return -1;
    });
}

int DeleteParameterForProjectID(int projectId, const char* parameter) {
    return vorbdb::exportedCall("DeleteParameterForProjectID", -1, [&] {
        const char* project = GetProjectStringFromID(projectId);
        if (project == nullptr || !storableParameter(parameter))
            return -1;
        const std::string key = fmt::makeKey(project, parameter);
        RewriteStatus status =
            rewrite(kSingleTry, [&](std::string_view current, bool, std::string& next) {
                return copyWithout(current, next,
                                   [&](std::string_view line) { return fmt::hasKey(line, key); });
            });
        if (status == RewriteStatus::ReplaceFailed)
            trace(vorbdb::kTraceAlways, "\nMajor Error...1\ntheProjectId %d theParameterID %s",
                  projectId, parameter);
        return status == RewriteStatus::Replaced ? 0 : -1;
    });
}

int DeleteAllParametersForProjectID(int projectId) {
    return vorbdb::exportedCall("DeleteAllParametersForProjectID", -1, [&] {
        const char* project = GetProjectStringFromID(projectId);
        if (project == nullptr)
            return -1;
        return deleteLines([&](std::string_view current, bool, std::string& next) {
            return copyWithout(current, next, [&](std::string_view line) {
                return fmt::belongsToProject(line, project);
            });
        });
    });
}

int UpdateLink(int projectA, int projectB) {
    return vorbdb::exportedCall("UpdateLink", -1, [&] {
        const char* a = GetProjectStringFromID(projectA);
        const char* b = GetProjectStringFromID(projectB);
        if (a == nullptr || b == nullptr)
            return -1;
        const std::string key = fmt::makeKey(a, kRequireProjects);
        RewriteStatus status =
            rewrite(kSingleTry, [&](std::string_view current, bool, std::string& next) {
                reserveFor(next, current, key, b);
                bool found = false;
                bool changed = false;
                copyLines(
                    current, next,
                    [&](std::string_view line) {
                        if (!fmt::hasKey(line, key))
                            return false;
                        found = true;
                        return !fmt::listContains(fmt::valueOf(line), b);
                    },
                    [&](std::string_view line) {
                        fmt::appendEntry(next, key, fmt::listWith(fmt::valueOf(line), b));
                        changed = true;
                    });
                if (!found)
                    fmt::appendEntry(next, key, b);
                return changed || !found;
            });
        return status == RewriteStatus::Replaced || status == RewriteStatus::Unchanged ? 0 : -1;
    });
}

int SelectLink(int projectA, int projectB) {
    return vorbdb::exportedCall("SelectLink", 0, [&]() -> int {
        const char* a = GetProjectStringFromID(projectA);
        const char* b = GetProjectStringFromID(projectB);
        if (a == nullptr || b == nullptr)
            return 0;
        std::string content;
        if (vorbdb::readDatabase(vorbdb::activePaths(), content) != vorbdb::os::ReadResult::Ok)
            return 0;
        std::string_view list;
        return fmt::findValue(content, fmt::makeKey(a, kRequireProjects), list) &&
               fmt::listContains(list, b);
    });
}

int UpdateComponentInDB(int projectId, const char* uninstallDisplayName, const char* uninstalltype,
                        const char* uninstallstring, const char* installedversion,
                        const char* qvadisplaystring, const char* installationresult,
                        const char* installerrormsgid) {
    const char* project = GetProjectStringFromID(projectId);
    if (project == nullptr)
        return -1;
    return AppendComponentToDBWithOtherProjects(project, uninstallDisplayName, uninstalltype,
                                                uninstallstring, installedversion, qvadisplaystring,
                                                installationresult, installerrormsgid);
}

} // extern "C"

namespace {

// The seven component values, checked: every one given and storable.
bool componentValues(const char* const (&texts)[fmt::kComponentFields],
                     std::string_view (&values)[fmt::kComponentFields]) {
    for (std::size_t i = 0; i < fmt::kComponentFields; ++i) {
        if (!storable(texts[i]))
            return false;
        values[i] = texts[i];
    }
    return true;
}

} // namespace

extern "C" {

int AppendComponentToDBWithOtherProjects(const char* project, const char* uninstallDisplayName,
                                         const char* uninstalltype, const char* uninstallstring,
                                         const char* installedversion, const char* qvadisplaystring,
                                         const char* installationresult,
                                         const char* installerrormsgid) {
    return vorbdb::exportedCall("AppendComponentToDBWithOtherProjects", -1, [&] {
        const char* const texts[] = {uninstallDisplayName, uninstalltype,    uninstallstring,
                                     installedversion,     qvadisplaystring, installationresult,
                                     installerrormsgid};
        std::string_view values[fmt::kComponentFields];
        if (!storableParameter(project) || !componentValues(texts, values))
            return -1;
        RewriteStatus status =
            rewrite(kComponentTries, [&](std::string_view current, bool, std::string& next) {
                copyWithout(current, next, [&](std::string_view line) {
                    return fmt::belongsToProject(line, project);
                });
                fmt::appendComponentRecord(next, project, values);
                return true;
            });
        if (status == RewriteStatus::TempOpenFailed)
            trace(vorbdb::kTraceDebug,
                  "\nAppendComponentToDBWithOtherProjects::Unable to open %s theProjectId  %s ",
                  vorbdb::activePaths().temporary, project);
        else if (status == RewriteStatus::TempWriteFailed)
            trace(vorbdb::kTraceAlways,
                  "AppendComponentToDBWithOtherProjects::fclose( fpQVDBTempFile ) Failed "
                  "theProjectId %s\n",
                  project);
        return status == RewriteStatus::Replaced ? 0 : -1;
    });
}

int AppendComponentToDB(FILE* file, const char* project, const char* uninstallDisplayName,
                        const char* uninstalltype, const char* uninstallstring,
                        const char* installedversion, const char* qvadisplaystring,
                        const char* installationresult, const char* installerrormsgid) {
    return vorbdb::exportedCall("AppendComponentToDB", -1, [&] {
        const char* const texts[] = {uninstallDisplayName, uninstalltype,    uninstallstring,
                                     installedversion,     qvadisplaystring, installationresult,
                                     installerrormsgid};
        std::string_view values[fmt::kComponentFields];
        if (file == nullptr || !storableParameter(project) || !componentValues(texts, values))
            return -1;
        std::string record;
        fmt::appendComponentRecord(record, project, values);
        return std::fwrite(record.data(), 1, record.size(), file) == record.size() ? 0 : -1;
    });
}

int InstallCheck(void) {
    const vorbdb::DbPaths& paths = vorbdb::activePaths();
    return paths.initialized && vorbdb::os::canOpenForReading(paths.installFlag) ? 1 : 0;
}

int AuCopyFile(const char* from, const char* to, int failIfExists) {
    if (from != nullptr && to != nullptr && vorbdb::os::replaceFile(from, to, failIfExists != 0))
        return 1;
    trace(vorbdb::kTraceAlways, "\nRename Failed ");
    return 0;
}

} // extern "C"
