// The configuration file of a stand-in, named by its environment variable:
// read whole, parsed, and refused with the file's name and the reason.
#pragma once

#include <exception>
#include <stdexcept>
#include <string>

namespace standin_config {

// The file's text. Throws std::runtime_error "configuration <path>: <reason>"
// when it is missing, not a regular file or cannot be read.
std::string readFile(const std::string& path);

// The file's text handed to `parse`; what parse throws is thrown again with
// the same "configuration <path>: " in front.
template <typename Parse> auto load(const std::string& path, Parse&& parse) {
    const std::string text = readFile(path);
    try {
        return parse(text);
    } catch (const std::exception& error) {
        throw std::runtime_error("configuration " + path + ": " + error.what());
    }
}

// Writes "<who>: <reason>" to standard error and ends the program with code
// 78 (a configuration error). A stand-in that went on without the file it was
// given would pass for a real part with nothing in it.
[[noreturn]] void endProgram(const char* who, const std::exception& error);

} // namespace standin_config
