#include "utility.h"

#include <fstream>

// Lines are "<key>=<value>". A line answers when the text before its first
// "=" is exactly the key and a value follows; lines of any length are read
// whole, so a long value cannot hide the lines after it.
std::string readInstallDbValue(const std::string& directory, const std::string& key) {
    std::ifstream file(directory + "\\qvinstal.db");
    std::string line;
    while (std::getline(file, line)) {
        std::size_t equals = line.find('=');
        if (equals == std::string::npos || equals + 1 >= line.size())
            continue;
        if (line.compare(0, equals, key) == 0 && equals == key.size())
            return line.substr(equals + 1);
    }
    return {};
}
