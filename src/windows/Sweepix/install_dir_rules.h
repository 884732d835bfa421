// Text rules of the install-directory discovery.
#pragma once

#include <string>

// Every "/" turned into "\".
std::string turnSlashes(std::string value);
// The part before the last "\" when that stands after the first character;
// otherwise empty (`keepWhole` false) or the value unchanged (`keepWhole` true).
std::string parentOf(const std::string& value, bool keepWhole);

struct ProgramFilesNames {
    const char* common; // common-files directory below Program Files, no drive
    const char* programFiles;
};
// The localised short names by language index (see language_index.h).
ProgramFilesNames programFilesNames(int languageIndex);
