#include "module_fixture.h"

#include "mgmthost/mgmthost_standin.h"
#include "smil/smil_standin.h"
#include "telmda/telmda.h"

#include <dlfcn.h>

#include <cstring>

namespace telmda_test {

LoadedModule::LoadedModule() {
    m_lib = dlopen(TELMDA_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
}

LoadedModule::~LoadedModule() {
    if (m_lib)
        dlclose(m_lib);
}

void* LoadedModule::dlsymbol(const char* name) const {
    return m_lib ? dlsym(m_lib, name) : nullptr;
}

std::optional<std::string> LoadedModule::request(const std::vector<std::string>& params) {
    auto send = symbol<char* (*)(int32_t, const char* const*)>("telmda_sendCmd");
    auto release = symbol<void (*)(char*)>("telmda_freeData");
    std::vector<const char*> list;
    for (const std::string& p : params)
        list.push_back(p.c_str());
    char* text = send(static_cast<int32_t>(list.size()), list.data());
    if (!text)
        return std::nullopt;
    std::string copy(text);
    release(text);
    return copy;
}

std::vector<std::string> LoadedModule::commandNames() const {
    unsigned count = 0;
    const DBIntfCmdEntry* table = symbol<DBIntfCmdEntry* (*)(unsigned*)>("DBIntfGetCDT")(&count);
    std::vector<std::string> names;
    for (unsigned i = 0; i < count; ++i)
        names.emplace_back(table[i].name);
    return names;
}

void ModuleTest::SetUp() {
    ocs_standin::reset();
    tym_standin::reset();
    smil_standin::reset();
    useCard(standardCard());
    m_module.emplace();
    ASSERT_TRUE(m_module->loaded()) << dlerror();
}

void ModuleTest::TearDown() {
    m_module.reset();
    EXPECT_EQ(ocs_standin::liveObjects(), 0u) << "host objects left after unload";
    EXPECT_EQ(ocs_standin::badFrees(), 0u);
    EXPECT_EQ(smil_standin::liveObjects(), 0u) << "data manager objects left";
    EXPECT_EQ(smil_standin::badFrees(), 0u);
}

void ModuleTest::useCard(const nlohmann::json& card) {
    smil_standin::loadJson(card.dump());
}

XmlAnswer ModuleTest::answer(const std::vector<std::string>& params) {
    const std::optional<std::string> text = request(params);
    EXPECT_TRUE(text.has_value()) << "no answer to " << (params.empty() ? "" : params[0]);
    XmlAnswer parsed(text.value_or(""));
    EXPECT_TRUE(parsed.wellFormed()) << text.value_or("");
    EXPECT_TRUE(parsed.status().has_value()) << "no final status node: " << text.value_or("");
    return parsed;
}

} // namespace telmda_test
