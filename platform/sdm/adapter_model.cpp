#include "adapter_model.h"

#include <cstdio>
#include <limits>
#include <stdexcept>

#include "configfile/config_file.h"
#include "configfile/config_node.h"
#include "qlsdm.h"

namespace qlsdm_standin {
namespace {

using standin_config::Node;

// The node record counts ports, and the port record numbers them, in 16 bits.
constexpr std::size_t kMostPorts = 0xFFFF;

// A whole number in a text as C writes it; false when it is none.
bool parseWhole(const std::string& text, long long& out) {
    std::size_t used = 0;
    try {
        out = std::stoll(text, &used, 0);
    } catch (const std::exception&) {
        return false;
    }
    return used == text.size();
}

// A whole number within [min, max], written as a number or as a text ("0x..."
// reads better for SD codes).
long long number(const Node& node, long long min, long long max) {
    if (!node.json().is_string())
        return node.within<long long>(min, max);
    const std::string text = node.get<std::string>();
    long long parsed = 0;
    if (!parseWhole(text, parsed))
        node.refuse("expected a whole number, found \"" + text + "\"");
    if (parsed < min || parsed > max)
        node.refuse("\"" + text + "\" is outside " + std::to_string(min) + ".." +
                    std::to_string(max));
    return parsed;
}

template <typename T> T bounded(const Node& node) {
    return static_cast<T>(
        number(node, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}

// A 32-bit code, also given as a negative int.
int code(const Node& node) {
    return static_cast<int>(
        static_cast<unsigned>(number(node, std::numeric_limits<int>::min(), 0xffffffffLL)));
}

// Refuses what is not an object, where every key is optional (a missing key
// would not say so).
Node object(const Node& node) {
    if (!node.json().is_object())
        node.refuse("expected an object, found " + node.json().dump());
    return node;
}

std::string text(const Node& object, const char* key, std::size_t capacity) {
    if (!object.contains(key))
        return "";
    const Node node = object.at(key);
    std::string value = node.get<std::string>();
    if (value.size() >= capacity)
        node.refuse("longer than " + std::to_string(capacity - 1) + " characters");
    return value;
}

Wwn wwn(const Node& node) {
    const std::string value = node.get<std::string>();
    Wwn bytes{};
    unsigned parsed[8];
    int used = 0;
    if (std::sscanf(value.c_str(), "%2x %2x %2x %2x %2x %2x %2x %2x%n", &parsed[0], &parsed[1],
                    &parsed[2], &parsed[3], &parsed[4], &parsed[5], &parsed[6], &parsed[7],
                    &used) != 8 ||
        static_cast<std::size_t>(used) != value.size())
        node.refuse("not eight hex bytes separated by blanks");
    for (int k = 0; k < 8; ++k)
        bytes[k] = static_cast<std::uint8_t>(parsed[k]);
    return bytes;
}

FailurePlan failurePlan(const Node& node) {
    FailurePlan plan;
    if (node.json().is_object()) {
        plan.code = code(node.at("code"));
        if (node.contains("after"))
            plan.after = bounded<unsigned>(node.at("after"));
    } else {
        plan.code = code(node);
    }
    if (plan.code == SD_SUCCESS)
        node.refuse("a failure needs a non-zero code");
    return plan;
}

PortModel port(const Node& node, const Wwn& nodeWwn) {
    object(node);
    PortModel model;
    model.wwn = node.contains("port_wwn") ? wwn(node.at("port_wwn")) : nodeWwn;
    if (node.contains("nvram"))
        model.nvramResult = code(node.at("nvram"));
    if (node.contains("state"))
        model.stateResult = code(node.at("state"));
    return model;
}

AdapterModel adapter(const Node& node) {
    AdapterModel model;
    model.nodeWwn = wwn(node.at("node_wwn"));
    model.model = text(node, "model", 80);
    model.modelDescription = text(node, "model_description", 32);
    model.serialNumber = text(node, "serial_number", 32);
    model.driverVersion = text(node, "driver_version", 32);
    model.firmwareVersion = text(node, "firmware_version", 64);

    if (node.contains("chip")) {
        const Node chip = object(node.at("chip"));
        const auto field = [&chip](const char* key) -> std::uint16_t {
            return chip.contains(key) ? bounded<std::uint16_t>(chip.at(key)) : 0;
        };
        model.deviceNumber = field("device_number");
        model.subsystemId = field("subsystem_id");
        model.bus = field("bus");
        model.pciId = field("pci_id");
        model.type = field("type");
    }

    if (node.contains("ports")) {
        const Node ports = node.at("ports");
        for (const Node& p : ports.elements())
            model.ports.push_back(port(p, model.nodeWwn));
        if (model.ports.size() > kMostPorts)
            ports.refuse(std::to_string(model.ports.size()) + " ports do not fit a 16-bit count");
    }
    model.portCount = node.contains("port_count") ? bounded<std::uint16_t>(node.at("port_count"))
                                                  : static_cast<std::uint16_t>(model.ports.size());

    if (node.contains("fail")) {
        const Node failures = object(node.at("fail"));
        const char* names[CALL_KINDS] = {"open", "node", "port", "chip"};
        for (int kind = 0; kind < CALL_KINDS; ++kind)
            if (failures.contains(names[kind]))
                model.failures[kind] = failurePlan(failures.at(names[kind]));
    }
    return model;
}

} // namespace

Configuration parseConfiguration(const std::string& text) {
    const standin_config::Document document(text);
    const Node top = document.root();
    Configuration configuration;
    if (top.contains("verify_delay_ms"))
        configuration.verifyDelayMs = bounded<unsigned>(top.at("verify_delay_ms"));
    if (top.contains("errors")) {
        std::map<int, std::string> keyOf; // each code's key, "0x10" or "16"
        for (const auto& [key, value] : object(top.at("errors")).members()) {
            long long parsed = 0;
            if (!parseWhole(key, parsed) || parsed < std::numeric_limits<int>::min() ||
                parsed > 0xffffffffLL)
                value.refuse("the key is not a 32-bit code");
            const int errorCode = static_cast<int>(static_cast<unsigned>(parsed));
            if (!keyOf.emplace(errorCode, key).second)
                value.refuse("the same code as \"" + keyOf[errorCode] + "\"");
            configuration.errorTexts[errorCode] = value.get<std::string>();
        }
    }
    for (const Node& a : top.elements("adapters"))
        configuration.adapters.push_back(adapter(a));
    document.finish();
    return configuration;
}

Configuration readConfiguration(const std::string& path) {
    return standin_config::load(path, parseConfiguration);
}

} // namespace qlsdm_standin
