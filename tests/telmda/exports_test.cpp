// The module as the host's loader sees it: every function of the module is
// an exported function symbol, the load hooks are not.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Defined dynamic symbols of a library, name -> nm's type letter.
std::map<std::string, char> dynamicSymbols(const char* library) {
    std::map<std::string, char> symbols;
    const std::string command = std::string("nm -D --defined-only '") + library + "'";
    FILE* nm = ::popen(command.c_str(), "r");
    if (nm == nullptr)
        return symbols;
    char line[1024];
    while (std::fgets(line, sizeof line, nm) != nullptr) {
        std::istringstream fields(line);
        std::string address, type, name;
        if (fields >> address >> type >> name)
            symbols[name] = type[0];
    }
    ::pclose(nm);
    return symbols;
}

// The listed functions, and the setter and the single-field command of every
// settable card field.
std::vector<std::string> moduleFunctions() {
    std::vector<std::string> names;
    std::ifstream list(TELMDA_MODULE_FUNCTIONS);
    for (std::string line; std::getline(list, line);)
        if (!line.empty() && line[0] != '#')
            names.push_back(line);
    if (names.empty())
        return names; // the list could not be read
#define CARD_FIELD(object, offset, width, kind, element)
#define CARD_SETTING(object, offset, width, kind, element, hostSuffix, setter, shape, param, log,  \
                     logId, group, id, set, command, handler)                                      \
    names.push_back(#setter);                                                                      \
    names.push_back(#handler);
#include "telmda/card_fields.def"
    return names;
}

TEST(Exports, EveryModuleFunctionButTheLoadHooks) {
    const std::map<std::string, char> symbols = dynamicSymbols(TELMDA_MODULE_PATH);
    ASSERT_FALSE(symbols.empty()) << "nm read nothing from " << TELMDA_MODULE_PATH;
    const std::vector<std::string> functions = moduleFunctions();
    ASSERT_FALSE(functions.empty());
    for (const std::string& name : functions) {
        const auto found = symbols.find(name);
        if (found == symbols.end())
            ADD_FAILURE() << name << " is not exported";
        else
            EXPECT_EQ(found->second, 'T') << name << " is not a function";
    }
    for (const char* hook : {"ModuleInit", "ModuleFini"})
        EXPECT_EQ(symbols.count(hook), 0u) << hook;
}

} // namespace
