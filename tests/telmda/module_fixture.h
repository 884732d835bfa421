// Loads libtelmda.so with dlopen as the host does, over the stand-ins, and
// checks after every test that no host or data-manager object is left.
#pragma once

#include "card_fixture.h"
#include "xml_answer.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace telmda_test {

class LoadedModule {
public:
    LoadedModule();
    ~LoadedModule();
    LoadedModule(const LoadedModule&) = delete;
    LoadedModule& operator=(const LoadedModule&) = delete;

    bool loaded() const { return m_lib != nullptr; }
    // The answer text, freed through telmda_freeData; none when none came.
    std::optional<std::string> request(const std::vector<std::string>& params);
    // The command table's names, in table order.
    std::vector<std::string> commandNames() const;
    template <typename Fn> Fn symbol(const char* name) const {
        return reinterpret_cast<Fn>(dlsymbol(name));
    }

private:
    void* dlsymbol(const char* name) const;
    void* m_lib = nullptr;
};

class ModuleTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Loads a card description into the data manager stand-in.
    void useCard(const nlohmann::json& card);
    std::optional<std::string> request(const std::vector<std::string>& params) {
        return m_module->request(params);
    }
    // A request that must answer well-formed XML ending in a status node.
    XmlAnswer answer(const std::vector<std::string>& params);

    std::optional<LoadedModule> m_module;
};

} // namespace telmda_test
