// Controller parameters, NVRAM boot-parameter slots, the history buffers and
// the debug-break switch. JSON:
//   "parameters": [{"index": 0, "name": "...", "variable": N, "value": N}],
//   "nvSlots": N, "historyLast": ["..."], "historyCurrent": ["..."]
#include "CoreHandlers.h"

#include "configfile/config_node.h"

#include <algorithm>
#include <cstring>

namespace qorsim {

namespace {

using standin_config::Node;

constexpr std::uint32_t kNvLogGood = 150;
constexpr std::uint32_t kNvLogMissing = 151;
constexpr std::uint32_t kSetNvGood = 192;
constexpr std::size_t kHistoryText = 60; // characters of one history entry
// Boot-parameter slots; the library reads every one for each parameter.
constexpr std::size_t kMostNvSlots = 256;

std::uint32_t countOf(const Adapter& a, bool platform) {
    return static_cast<std::uint32_t>(std::count_if(
        a.maint.parameters.begin(), a.maint.parameters.end(),
        [platform](const Parameter& p) { return ((p.index & 0x80) != 0) == platform; }));
}

void getParam(CtRequest& c) {
    for (const Parameter& p : c.adapter.maint.parameters)
        if (p.index == c.param[0]) {
            c.data.assign(60, 0);
            std::memcpy(c.data.data(), p.name.data(), std::min<std::size_t>(p.name.size(), 59));
            c.reply[0] = 0;
            c.reply[1] = p.variable;
            return;
        }
    c.accepted = false;
}

void getVariable(CtRequest& c) {
    for (const Parameter& p : c.adapter.maint.parameters)
        if (p.variable == c.param[0]) {
            c.reply[1] = p.value;
            return;
        }
    c.accepted = false;
}

void historyEntry(CtRequest& c) {
    const auto& buffer = c.param[1] ? c.adapter.maint.historyLast : c.adapter.maint.historyCurrent;
    if (c.param[0] >= buffer.size()) {
        c.reply[0] = kNvLogMissing;
        return;
    }
    c.data.assign(61, 0);
    std::memcpy(c.data.data(), buffer[c.param[0]].data(),
                std::min<std::size_t>(buffer[c.param[0]].size(), kHistoryText));
    c.reply[0] = kNvLogGood;
}

void readParameters(const Node& j, Adapter& a) {
    standin_config::Distinct<std::uint32_t> indexes;
    for (const Node& e : j.elements()) {
        const std::uint32_t index = e.value("index", 0u);
        indexes.add(index, e.place("index"), "parameter " + std::to_string(index));
        a.maint.parameters.push_back(
            {index, e.value("name", std::string()), e.value("variable", 0u), e.value("value", 0u)});
    }
}

// A history buffer's texts, each no longer than an entry holds.
std::vector<std::string> readHistory(const Node& j) {
    std::vector<std::string> texts;
    for (const Node& e : j.elements()) {
        texts.push_back(e.get<std::string>());
        if (texts.back().size() > kHistoryText)
            e.refuse("longer than " + std::to_string(kHistoryText) + " characters");
    }
    return texts;
}

} // namespace

void registerParameterCommands(Simulator& sim) {
    sim.registerContainer(56, getVariable);
    sim.registerContainer(57, historyEntry);
    sim.registerContainer(74, [](CtRequest& c) { // GET_NV_PARAM
        auto& slots = c.adapter.maint.nvSlots;
        if (c.param[0] >= slots.size()) {
            c.accepted = false;
            return;
        }
        c.data.assign(slots[c.param[0]].begin(), slots[c.param[0]].end());
    });
    sim.registerContainer(75, getParam);
    sim.registerContainer(76, [](CtRequest& c) {
        c.reply[0] = static_cast<std::uint32_t>(c.adapter.maint.nvSlots.size());
    });
    sim.registerContainer(77, [](CtRequest& c) { c.reply[0] = countOf(c.adapter, false); });
    sim.registerContainer(78, [](CtRequest& c) { c.reply[0] = countOf(c.adapter, true); });
    sim.registerContainer(79, [](CtRequest& c) { // SET_NV_PARAM
        auto& slots = c.adapter.maint.nvSlots;
        if (c.param[0] >= slots.size()) {
            c.accepted = false;
            return;
        }
        std::memcpy(slots[c.param[0]].data(), c.in, 8);
        c.reply[0] = kSetNvGood;
    });
    sim.registerContainer(118, [](CtRequest& c) { // SET_SERIAL_NUMBER
        std::memcpy(c.adapter.serialNumber.data(), c.in, 8);
    });
    sim.registerContainer(119, [](CtRequest& c) { // RESET_SERIAL_NUMBER
        c.adapter.serialNumber.fill(0);
        c.data.assign(8, 0);
    });
    sim.registerContainer(126,
                          [](CtRequest& c) { c.adapter.maint.panicOnBreak = c.param[0] != 0; });
    sim.registerSection("parameters", readParameters);
    sim.registerSection("nvSlots", [](const Node& j, Adapter& a) {
        a.maint.nvSlots.assign(j.within<std::size_t>(0, kMostNvSlots),
                               std::array<std::uint8_t, 8>{0xFF});
    });
    sim.registerSection("historyLast",
                        [](const Node& j, Adapter& a) { a.maint.historyLast = readHistory(j); });
    sim.registerSection("historyCurrent",
                        [](const Node& j, Adapter& a) { a.maint.historyCurrent = readHistory(j); });
}

} // namespace qorsim
