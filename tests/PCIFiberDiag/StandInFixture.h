// Adapters for in-process tests, served by the SDM stand-in the test links.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "qlsdm_standin.h"

namespace korfiber_test {

using nlohmann::json;

// One adapter of the stand-in: node WWN, model text and per-port results
// (pairs of NVRAM and state codes).
inline json adapter(const std::string& wwn, const std::string& model,
                    std::vector<std::pair<int, int>> ports = {{0, 0}, {0, 0}},
                    unsigned short bus = 4) {
    json portList = json::array();
    for (const auto& [nvram, state] : ports)
        portList.push_back({{"nvram", nvram}, {"state", state}});
    return {{"node_wwn", wwn},
            {"model", model},
            {"model_description", "Dual Port"},
            {"serial_number", "SN-" + wwn.substr(15)},
            {"driver_version", "8.00.02"},
            {"firmware_version", "3.03.19"},
            {"chip",
             {{"device_number", 1},
              {"subsystem_id", 265},
              {"bus", bus},
              {"pci_id", 8962},
              {"type", 0}}},
            {"ports", portList}};
}

class StandInFixture : public ::testing::Test {
protected:
    void SetUp() override {
        qlsdm_standin::setSleeper(&noWait);
        load({});
    }
    void TearDown() override {
        EXPECT_EQ(qlsdm_standin::openHandles(), 0u) << "handles left open";
        qlsdm_standin::setSleeper(nullptr);
    }
    void load(const std::vector<json>& adapters, json extra = json::object()) {
        extra["adapters"] = adapters;
        extra["errors"] = {{"0x20000100", "NVRAM checksum mismatch"},
                           {"0x20000200", "Port not ready"}};
        qlsdm_standin::loadJson(extra.dump());
        qlsdm_standin::clearJournal();
    }
    // Journal lines that start with `call`.
    static std::vector<std::string> calls(const std::string& call) {
        std::vector<std::string> found;
        for (const std::string& line : qlsdm_standin::journal())
            if (line.rfind(call, 0) == 0)
                found.push_back(line);
        return found;
    }

private:
    static void noWait(unsigned) {}
};

} // namespace korfiber_test
