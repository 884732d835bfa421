#include "install_dir_rules.h"

#include <algorithm>

std::string turnSlashes(std::string value) {
    std::replace(value.begin(), value.end(), '/', '\\');
    return value;
}

std::string parentOf(const std::string& value, bool keepWhole) {
    std::size_t backslash = value.find_last_of('\\');
    if (backslash != std::string::npos && backslash > 0)
        return value.substr(0, backslash);
    return keepWhole ? value : std::string();
}

ProgramFilesNames programFilesNames(int languageIndex) {
    switch (languageIndex) {
    case 0:
        return {"PROGRA~1\\GEMEIN~1", "Programme"};
    case 1:
        return {"ARCHIV~1\\ARCHIV~1", "Archivos de programa"};
    case 2:
        return {"PROGRA~1\\FICHIE~1", "Program Files"};
    default:
        return {"PROGRA~1\\COMMON~1", "Program Files"};
    }
}
