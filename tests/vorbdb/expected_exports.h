// Every name the library exports, and nothing else.
#pragma once

#include <set>
#include <string>

inline const std::set<std::string>& nativeMethodNames() {
    static const std::set<std::string> names = {"AuQVDBInstallDelete",
                                                "AuQVDBInstallSelect",
                                                "AuQVDBInstallUpdate",
                                                "AuQVDBInstallDeleteAll",
                                                "AuQVDBInstallSelectString",
                                                "AuQVDBInstallUpdateString",
                                                "AuQVDBInstallCheck",
                                                "AuQVDBGetProjectsStringArray",
                                                "AuQVDBConvertProjectIDToString",
                                                "AuQVDBConvertStringToProjectID",
                                                "AuQVDBUpdateLink",
                                                "AuQVDBSelectLink",
                                                "AuQVDBApplicationType",
                                                "AuQVDBVersionInfo",
                                                "AuQVDBGetParameterStringArray",
                                                "AuQVDBConvertParameterIDToString",
                                                "AuQVDBConvertStringToParameterID",
                                                "AuQVDBInstallUpdateComponent"};
    return names;
}

inline std::set<std::string> expectedExports() {
    std::set<std::string> names = {
        "AuQVDBFreeMemory",
        // operations on the file
        "SelectParameterForProjectID", "UpdateParameterForProjectID", "DeleteParameterForProjectID",
        "DeleteAllParametersForProjectID", "UpdateLink", "SelectLink", "UpdateComponentInDB",
        "AppendComponentToDBWithOtherProjects", "AppendComponentToDB", "InstallCheck",
        "OutPutDBGStmt", "AuCopyFile",
        // id tables
        "IsValidProjectID", "IsValidParameterID", "IsValidParameterIDEx", "GetProjectStringFromID",
        "GetParameterStringFromID", "GetProjectIDArray", "GetParametersIDArray",
        "ConvertProjectIDToString", "ConvertStringToProjectID", "ConvertParameterIDToString",
        "ConvertStringToParameterID", "GetApplicationType"};
    for (const std::string& method : nativeMethodNames()) {
        names.insert(method);
        names.insert("Java_vorbinst_tools_QVDBJIntf_" + method);
    }
    return names;
}
