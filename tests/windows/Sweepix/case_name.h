// A test-case name made of a table row's label.
#pragma once

#include <cctype>
#include <string>

inline std::string caseName(std::string label) {
    for (char& c : label)
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    return label;
}
