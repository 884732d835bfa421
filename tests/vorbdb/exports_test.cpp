// The shared library as a loader sees it: exactly the intended exports, and
// the load hook that points it at /etc.
#include <gtest/gtest.h>

#include "sandbox_check.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include <dlfcn.h>

#include "expected_exports.h"

namespace {

std::set<std::string> dynamicSymbols(const char* library) {
    std::set<std::string> names;
    std::string command = std::string("nm -D --defined-only '") + library + "'";
    FILE* nm = ::popen(command.c_str(), "r");
    if (nm == nullptr)
        return names;
    char line[1024];
    while (std::fgets(line, sizeof line, nm) != nullptr) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name)
            names.insert(name);
    }
    ::pclose(nm);
    return names;
}

TEST(Exports, AreExactlyTheIntendedNames) {
    EXPECT_EQ(dynamicSymbols(VORBDB_LIBRARY), expectedExports());
}

TEST(LoadHook, PointsTheLibraryAtEtc) {
    ASSERT_INSIDE_SANDBOX();
    std::filesystem::remove("/etc/qvinstal.db");
    void* library = ::dlopen(VORBDB_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    EXPECT_EQ(::dlsym(library, "ModuleAttach"), nullptr);
    auto update =
        reinterpret_cast<int (*)(int, int, const char*)>(::dlsym(library, "AuQVDBInstallUpdate"));
    ASSERT_NE(update, nullptr);
    EXPECT_EQ(update(15, 5, "unins.exe"), 0);
    std::ifstream in("/etc/qvinstal.db", std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), "zutr.uninstallstring=unins.exe\n");
    ::dlclose(library);
}

} // namespace
