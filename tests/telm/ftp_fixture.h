// Helpers shared by the FTP tests: the card's FTP address, files, descriptors.
#pragma once

#include <dirent.h>

#include <chrono>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace telmtest {

constexpr const char* kFtpAddress = "192.168.234.237";

inline int openDescriptors() {
    int count = 0;
    if (DIR* dir = opendir("/proc/self/fd")) {
        while (readdir(dir))
            ++count;
        closedir(dir);
    }
    return count;
}

// The simulated card and the scripted responder close their side of a
// connection on their own threads, a moment after the library returns (longer
// on a busy machine); a descriptor the library leaked never goes away.
inline int descriptorsAfterSettling(int expected) {
    int count = openDescriptors();
    for (int i = 0; i < 1000 && count != expected; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        count = openDescriptors();
    }
    return count;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

inline void writeFile(const std::string& path, const std::string& data) {
    std::ofstream(path, std::ios::binary) << data;
}

// Bytes with plenty of CR, LF and CR LF inside, to catch any line-end conversion.
inline std::string awkwardBytes(size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        unsigned r = random() % 8;
        data[i] = r == 0 ? '\r' : r == 1 ? '\n' : static_cast<char>(random());
    }
    return data;
}

inline std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

} // namespace telmtest
