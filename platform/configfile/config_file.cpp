#include "configfile/config_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include <sys/stat.h>

namespace standin_config {

namespace {
constexpr int kConfigurationError = 78; // EX_CONFIG
} // namespace

std::string readFile(const std::string& path) {
    const auto refuse = [&path](const std::string& reason) {
        return std::runtime_error("configuration " + path + ": " + reason);
    };
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        throw refuse(std::strerror(errno));
    if (!S_ISREG(status.st_mode))
        throw refuse("not a regular file");
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw refuse(std::strerror(errno));
    // An empty file is read as empty text (its parser says what is missing).
    std::ostringstream text;
    if (in.peek() != std::ifstream::traits_type::eof() && !(text << in.rdbuf()))
        throw refuse("cannot be read");
    return text.str();
}

void endProgram(const char* who, const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", who, error.what());
    std::_Exit(kConfigurationError);
}

} // namespace standin_config
