// The project and parameter tables that turn the callers' numeric ids into
// the names used in the file.
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "vorbdb/vorbdb.h"

namespace {

struct IdName {
    int id;
    const char* name;
};

struct ProjectRow {
    int id;
    const char* name;
    int applicationType;
};

constexpr ProjectRow kProjects[] = {
    {1, "Corvance", 1002},      {2, "Strandix", 1002},        {3, "Sweeplet", 1003},
    {4, "Fennick", 1002},       {5, "brimtest", 1002},        {6, "Tymc", 1002},
    {7, "Toffa", 1003},         {8, "Zorbit", 1003},          {9, "QVACORE", 1002},
    {10, "QVHIP", 1002},        {11, "QVAM", 1002},           {12, "Galvey", 1001},
    {13, "Vesk", 1002},         {14, "Setwright", 1003},      {15, "zutr", 1002},
    {16, "QVTYMC", 1002},       {17, "pomb", 1001},           {18, "Bootlark", 1001},
    {19, "Webmoorix", 1001},    {20, "QVSC", 1002},           {21, "QVSNA", 1001},
    {22, "XC770MINDER", 1001},  {23, "REELMINDER", 1001},     {24, "BITMINDER", 1001},
    {25, "LUMBRATRAP", 1002},   {26, "LUMBRAX", 1002},        {27, "HOLMPATHNT", 1002},
    {28, "HOLMPATHW2K", 1002},  {29, "CRANDELMINDERS", 1002}, {30, "FLOCKMINDER", 1002},
    {31, "mirelo", 1003},       {32, "ZUTRT", 1001},          {33, "qvss", 1002},
    {34, "QVDataEngine", 1002}, {35, "QVCorvanceEx", 1002},   {36, "telm_mn", 1002},
    {37, "telm_mgmt_st", 1001}, {38, "telm_vnc", 1002},       {39, "qv_vantor", 1002},
    {40, "qv_kelby", 1002},     {41, "GANTRISNMP", 1002},     {42, "GLASSMOOR", 1002},
    {43, "QVTools", 1002},
};

constexpr IdName kParameters[] = {
    {1, "installationresult"},
    {2, "installerrormsgid"},
    {3, "uninstallDisplayName"},
    {4, "uninstalltype"},
    {5, "uninstallstring"},
    {6, "patch.uninstallstring"},
    {7, "platformslice.uninstallstring"},
    {8, "installedversion"},
    {9, "qvadisplaystring"},
    {10, "msdisplaystring"},
    {11, "requireProjects"},
    {12, "percentagecompleted"},
    {13, "patch.uninstallstringA"},
    {14, "patch.displaystringA"},
    {15, "patch.resultstringA"},
    {16, "systemid"},
};

constexpr int kNoApplicationType = 1000;

template <class Row, std::size_t N> const Row* rowById(const Row (&table)[N], int id) {
    for (const Row& row : table)
        if (row.id == id)
            return &row;
    return nullptr;
}

template <class Row, std::size_t N> const Row* rowByName(const Row (&table)[N], const char* name) {
    if (name == nullptr)
        return nullptr;
    for (const Row& row : table)
        if (strcasecmp(row.name, name) == 0)
            return &row;
    return nullptr;
}

// All names in table order, each followed by a NUL, plus one closing NUL.
template <class Row, std::size_t N> int nameList(const Row (&table)[N], char** names, int* count) {
    if (names == nullptr || count == nullptr)
        return -1;
    *count = 0;
    std::size_t size = 1;
    for (const Row& row : table)
        size += std::strlen(row.name) + 1;
    char* block = static_cast<char*>(std::calloc(size, 1));
    if (block == nullptr)
        return -1;
    char* next = block;
    for (const Row& row : table) {
        std::size_t length = std::strlen(row.name) + 1;
        std::memcpy(next, row.name, length);
        next += length;
    }
    *names = block;
    *count = static_cast<int>(N);
    return 0;
}

template <class Row, std::size_t N> int idToName(const Row (&table)[N], int id, char** name) {
    if (name == nullptr)
        return -1;
    *name = nullptr;
    const Row* row = rowById(table, id);
    if (row == nullptr)
        return -1;
    *name = strdup(row->name);
    return *name == nullptr ? -1 : 0;
}

template <class Row, std::size_t N> int nameToId(const Row (&table)[N], const char* name, int* id) {
    const Row* row = rowByName(table, name);
    if (row == nullptr || id == nullptr)
        return -1;
    *id = row->id;
    return 0;
}

} // namespace

extern "C" {

int IsValidProjectID(int projectId) {
    return rowById(kProjects, projectId) != nullptr;
}

int IsValidParameterID(int parameterId) {
    return rowById(kParameters, parameterId) != nullptr;
}

int IsValidParameterIDEx(const char* name) {
    return rowByName(kParameters, name) != nullptr;
}

const char* GetProjectStringFromID(int projectId) {
    const ProjectRow* row = rowById(kProjects, projectId);
    return row == nullptr ? nullptr : row->name;
}

const char* GetParameterStringFromID(int parameterId) {
    const IdName* row = rowById(kParameters, parameterId);
    return row == nullptr ? nullptr : row->name;
}

int GetProjectIDArray(char** names, int* count) {
    return nameList(kProjects, names, count);
}

int GetParametersIDArray(char** names, int* count) {
    return nameList(kParameters, names, count);
}

int ConvertProjectIDToString(int projectId, char** name) {
    return idToName(kProjects, projectId, name);
}

int ConvertStringToProjectID(const char* name, int* projectId) {
    return nameToId(kProjects, name, projectId);
}

int ConvertParameterIDToString(int parameterId, char** name) {
    return idToName(kParameters, parameterId, name);
}

int ConvertStringToParameterID(const char* name, int* parameterId) {
    return nameToId(kParameters, name, parameterId);
}

int GetApplicationType(int projectId, int* type) {
    if (type == nullptr)
        return -1;
    *type = kNoApplicationType;
    const ProjectRow* row = rowById(kProjects, projectId);
    if (row == nullptr)
        return -1;
    *type = row->applicationType;
    return 0;
}

} // extern "C"
