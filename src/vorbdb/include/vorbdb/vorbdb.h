/* Install-database library: records which components of the suite are
 * installed, one "<project>.<parameter>=<value>" line per entry.
 * Results are 0 for success and -1 for failure unless stated. Texts and lists
 * returned are heap blocks that the caller frees with AuQVDBFreeMemory. */
#ifndef VORBDB_VORBDB_H
#define VORBDB_VORBDB_H

#include <stdio.h>

#ifdef _WIN32
#if defined(VORBDB_BUILDING) && defined(VORBDB_EXPORTS_LISTED)
/* A module-definition file names every export of the library. */
#define VORBDB_API
#elif defined(VORBDB_BUILDING)
#define VORBDB_API __declspec(dllexport)
#else
#define VORBDB_API __declspec(dllimport)
#endif
#else
#define VORBDB_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Exported functions, by numeric project and parameter ids. */
VORBDB_API int AuQVDBInstallDelete(int projectId, int parameterId);
VORBDB_API int AuQVDBInstallSelect(int projectId, int parameterId, char** value, int* length);
VORBDB_API int AuQVDBInstallUpdate(int projectId, int parameterId, const char* value);
VORBDB_API int AuQVDBInstallDeleteAll(int projectId);
VORBDB_API int AuQVDBInstallSelectString(int projectId, const char* parameter, char** value,
                                         int* length);
VORBDB_API int AuQVDBInstallUpdateString(int projectId, const char* parameter, const char* value);
VORBDB_API int AuQVDBInstallCheck(void);
VORBDB_API int AuQVDBGetProjectsStringArray(char** names, int* count);
VORBDB_API void AuQVDBFreeMemory(void** block);
VORBDB_API int AuQVDBConvertProjectIDToString(int projectId, char** name);
VORBDB_API int AuQVDBConvertStringToProjectID(const char* name, int* projectId);
VORBDB_API int AuQVDBUpdateLink(int projectA, int projectB);
VORBDB_API int AuQVDBSelectLink(int projectA, int projectB);
VORBDB_API int AuQVDBApplicationType(int projectId, int* type);
VORBDB_API int AuQVDBVersionInfo(char** text, int* length);
VORBDB_API int AuQVDBGetParameterStringArray(char** names, int* count);
VORBDB_API int AuQVDBConvertParameterIDToString(int parameterId, char** name);
VORBDB_API int AuQVDBConvertStringToParameterID(const char* name, int* parameterId);
VORBDB_API int AuQVDBInstallUpdateComponent(int projectId, const char* uninstallDisplayName,
                                            const char* uninstalltype, const char* uninstallstring,
                                            const char* installedversion,
                                            const char* qvadisplaystring,
                                            const char* installationresult,
                                            const char* installerrormsgid);

/* Operations on the file, exported under their own names as well. */
VORBDB_API int SelectParameterForProjectID(int projectId, const char* parameter, char** value,
                                           int* length);
VORBDB_API int UpdateParameterForProjectID(int projectId, const char* parameter, const char* value);
VORBDB_API int DeleteParameterForProjectID(int projectId, const char* parameter);
VORBDB_API int DeleteAllParametersForProjectID(int projectId);
VORBDB_API int UpdateLink(int projectA, int projectB);
VORBDB_API int SelectLink(int projectA, int projectB);
VORBDB_API int UpdateComponentInDB(int projectId, const char* uninstallDisplayName,
                                   const char* uninstalltype, const char* uninstallstring,
                                   const char* installedversion, const char* qvadisplaystring,
                                   const char* installationresult, const char* installerrormsgid);
VORBDB_API int
AppendComponentToDBWithOtherProjects(const char* project, const char* uninstallDisplayName,
                                     const char* uninstalltype, const char* uninstallstring,
                                     const char* installedversion, const char* qvadisplaystring,
                                     const char* installationresult, const char* installerrormsgid);
VORBDB_API int AppendComponentToDB(FILE* file, const char* project,
                                   const char* uninstallDisplayName, const char* uninstalltype,
                                   const char* uninstallstring, const char* installedversion,
                                   const char* qvadisplaystring, const char* installationresult,
                                   const char* installerrormsgid);
VORBDB_API int InstallCheck(void);
VORBDB_API void OutPutDBGStmt(const char* text, int level);
/* Moves `from` over `to` (not over an existing `to` when failIfExists is set);
 * 1 when done, else 0. */
VORBDB_API int AuCopyFile(const char* from, const char* to, int failIfExists);

/* Id tables. */
VORBDB_API int IsValidProjectID(int projectId);
VORBDB_API int IsValidParameterID(int parameterId);
VORBDB_API int IsValidParameterIDEx(const char* name);
VORBDB_API const char* GetProjectStringFromID(int projectId);
VORBDB_API const char* GetParameterStringFromID(int parameterId);
VORBDB_API int GetProjectIDArray(char** names, int* count);
VORBDB_API int GetParametersIDArray(char** names, int* count);
VORBDB_API int ConvertProjectIDToString(int projectId, char** name);
VORBDB_API int ConvertStringToProjectID(const char* name, int* projectId);
VORBDB_API int ConvertParameterIDToString(int parameterId, char** name);
VORBDB_API int ConvertStringToParameterID(const char* name, int* parameterId);
VORBDB_API int GetApplicationType(int projectId, int* type);

#ifdef __cplusplus
}
#endif

#endif
