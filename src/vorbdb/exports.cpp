// The exported AuQVDB* functions: check the ids, trace the call and its
// result, and hand over to the operations.
#include <cstdlib>
#include <cstring>

#include "trace.h"
#include "vorbdb/vorbdb.h"

using vorbdb::kTraceDebug;
using vorbdb::printable;
using vorbdb::trace;

namespace {

constexpr char kVersion[] = "3.4.0.1";

bool validIds(int projectId, int parameterId) {
    return IsValidProjectID(projectId) && IsValidParameterID(parameterId);
}

bool givenParameter(const char* parameter) {
    return parameter != nullptr && *parameter != '\0';
}

} // namespace

extern "C" {

int AuQVDBInstallDelete(int projectId, int parameterId) {
    trace(kTraceDebug, "\nCall AuQVDBInstallDelete theProjectID %d theParameterID %d", projectId,
          parameterId);
    int result = validIds(projectId, parameterId)
                     ? DeleteParameterForProjectID(projectId, GetParameterStringFromID(parameterId))
                     : -1;
    trace(kTraceDebug, "\nCall AuQVDBInstallDelete theProjectID %d theParameterID %d Result %d",
          projectId, parameterId, result);
    return result;
}

int AuQVDBInstallSelect(int projectId, int parameterId, char** value, int* length) {
    trace(kTraceDebug, "\nCall AuQVDBInstallSelect theProjectID %d theParameterID %d", projectId,
          parameterId);
    int result = -1;
    if (validIds(projectId, parameterId))
        result = SelectParameterForProjectID(projectId, GetParameterStringFromID(parameterId),
                                             value, length);
    else if (length != nullptr)
        *length = 0;
    trace(kTraceDebug, "\nCall AuQVDBInstallSelect theProjectID %d theParameterID %d Result %d",
          projectId, parameterId, result);
    return result;
}

int AuQVDBInstallUpdate(int projectId, int parameterId, const char* value) {
    trace(kTraceDebug, "\nCall AuQVDBInstallUpdate theProjectID ");
    trace(kTraceDebug,
          "\nCall AuQVDBInstallUpdate theProjectID %d theParameterID %d StringValue %s", projectId,
          parameterId, printable(value));
    int result =
        validIds(projectId, parameterId)
            ? UpdateParameterForProjectID(projectId, GetParameterStringFromID(parameterId), value)
            : -1;
    trace(kTraceDebug,
          "\nCall AuQVDBInstallUpdate theProjectID %d theParameterID %d StringValue %s Result %d",
          projectId, parameterId, printable(value), result);
    return result;
}

int AuQVDBInstallDeleteAll(int projectId) {
    trace(kTraceDebug, "\nCall AuQVDBInstallDeleteAll theProjectID %d", projectId);
    int result = IsValidProjectID(projectId) ? DeleteAllParametersForProjectID(projectId) : -1;
    trace(kTraceDebug, "\nCall AuQVDBInstallDeleteAll theProjectID %d Result %d", projectId,
          result);
    return result;
}

int AuQVDBInstallSelectString(int projectId, const char* parameter, char** value, int* length) {
    trace(kTraceDebug, "\nCall AuQVDBInstallSelectString theProjectID %d theParameterID %s",
          projectId, printable(parameter));
    int result = -1;
    if (IsValidProjectID(projectId) && givenParameter(parameter))
        result = SelectParameterForProjectID(projectId, parameter, value, length);
    else if (length != nullptr)
        *length = 0;
    trace(kTraceDebug,
          "\nCall AuQVDBInstallSelectString theProjectID %d theParameterID %s Result %d", projectId,
          printable(parameter), result);
    return result;
}

int AuQVDBInstallUpdateString(int projectId, const char* parameter, const char* value) {
    trace(kTraceDebug, "\nCall AuQVDBInstallUpdate theProjectID ");
    trace(kTraceDebug,
          "\nCall AuQVDBInstallUpdateString theProjectID %d theParameterID %s StringValue %s",
          projectId, printable(parameter), printable(value));
    int result = IsValidProjectID(projectId) && givenParameter(parameter)
                     ? UpdateParameterForProjectID(projectId, parameter, value)
                     : -1;
    trace(kTraceDebug,
          "\nCall AuQVDBInstallUpdateString theProjectID %d theParameterID %s StringValue %s "
          "Result %d",
          projectId, printable(parameter), printable(value), result);
    return result;
}

int AuQVDBInstallCheck(void) {
    return InstallCheck();
}

int AuQVDBGetProjectsStringArray(char** names, int* count) {
    return GetProjectIDArray(names, count);
}

void AuQVDBFreeMemory(void** block) {
    if (block == nullptr)
        return;
    std::free(*block);
    *block = nullptr;
}

int AuQVDBConvertProjectIDToString(int projectId, char** name) {
    return ConvertProjectIDToString(projectId, name);
}

int AuQVDBConvertStringToProjectID(const char* name, int* projectId) {
    return ConvertStringToProjectID(name, projectId);
}

int AuQVDBUpdateLink(int projectA, int projectB) {
    return IsValidProjectID(projectA) && IsValidProjectID(projectB) ? UpdateLink(projectA, projectB)
                                                                    : -1;
}

int AuQVDBSelectLink(int projectA, int projectB) {
    return SelectLink(projectA, projectB);
}

int AuQVDBApplicationType(int projectId, int* type) {
    return GetApplicationType(projectId, type);
}

int AuQVDBVersionInfo(char** text, int* length) {
    if (text == nullptr || length == nullptr)
        return -1;
    char* copy = static_cast<char*>(std::malloc(sizeof kVersion));
    if (copy == nullptr)
        return -1;
    std::memcpy(copy, kVersion, sizeof kVersion);
    *text = copy;
    *length = static_cast<int>(sizeof kVersion - 1);
    return 0;
}

int AuQVDBGetParameterStringArray(char** names, int* count) {
    return GetParametersIDArray(names, count);
}

int AuQVDBConvertParameterIDToString(int parameterId, char** name) {
    return ConvertParameterIDToString(parameterId, name);
}

int AuQVDBConvertStringToParameterID(const char* name, int* parameterId) {
    return ConvertStringToParameterID(name, parameterId);
}

int AuQVDBInstallUpdateComponent(int projectId, const char* uninstallDisplayName,
                                 const char* uninstalltype, const char* uninstallstring,
                                 const char* installedversion, const char* qvadisplaystring,
                                 const char* installationresult, const char* installerrormsgid) {
    trace(kTraceDebug, "\nCall AuQVDBInstallUpdateComponent theProjectID %d", projectId);
    int result = IsValidProjectID(projectId)
                     ? UpdateComponentInDB(projectId, uninstallDisplayName, uninstalltype,
                                           uninstallstring, installedversion, qvadisplaystring,
                                           installationresult, installerrormsgid)
                     : -1;
    trace(kTraceDebug, "\nCall AuQVDBInstallUpdateComponent theProjectID %d nRetVal %d", projectId,
          result);
    return result;
}

} // extern "C"
