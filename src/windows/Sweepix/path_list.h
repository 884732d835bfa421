// Lists of directories as environment values hold them: ";"-separated.
#pragma once

#include <string>
#include <vector>

// Appends the non-empty pieces of `value` to `list`.
void splitPathList(std::vector<std::string>& list, const std::string& value);
// The non-empty items, separated by ";", none at either end.
std::string joinPathList(const std::vector<std::string>& list);
// Empties every item equal to `item` ignoring case; answers whether any was.
bool clearPathItem(std::vector<std::string>& list, const std::string& item);
