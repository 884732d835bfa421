#pragma once

// A private directory for the files of one test, removed with its contents.

#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace fsatest {

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/fsa-maint-XXXXXX";
        m_path = ::mkdtemp(tmpl) ? tmpl : "";
    }
    ~TempDir() {
        for (const std::string& name : names())
            ::unlink((m_path + "/" + name).c_str());
        ::rmdir(m_path.c_str());
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string path(const std::string& name) const { return m_path + "/" + name; }
    std::set<std::string> names() const {
        std::set<std::string> out;
        if (DIR* d = ::opendir(m_path.c_str())) {
            while (dirent* e = ::readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..")
                    out.insert(e->d_name);
            ::closedir(d);
        }
        return out;
    }
    std::vector<std::uint8_t> read(const std::string& name) const {
        std::ifstream in(path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void write(const std::string& name, const std::vector<std::uint8_t>& bytes) const {
        std::ofstream out(path(name), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    }

private:
    std::string m_path;
};

} // namespace fsatest
