#include "adapter_model.h"

#include <cstdio>
#include <limits>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "configfile/config_file.h"
#include "qlsdm.h"

namespace qlsdm_standin {
namespace {

using nlohmann::json;

[[noreturn]] void fail(const std::string& where, const std::string& what) {
    throw std::runtime_error(where + ": " + what);
}

// Codes come as numbers or as "0x..." texts (SD codes are easier read in hex).
long long number(const json& value, const std::string& where) {
    if (value.is_number_integer())
        return value.get<long long>();
    if (value.is_string()) {
        const std::string text = value.get<std::string>();
        std::size_t used = 0;
        try {
            long long parsed = std::stoll(text, &used, 0);
            if (used == text.size())
                return parsed;
        } catch (const std::exception&) {
        }
    }
    fail(where, "not a number");
}

template <typename T> T bounded(const json& value, const std::string& where) {
    long long parsed = number(value, where);
    if (parsed < std::numeric_limits<T>::min() || parsed > std::numeric_limits<T>::max())
        fail(where, "out of range");
    return static_cast<T>(parsed);
}

int code(const json& value, const std::string& where) {
    long long parsed = number(value, where);
    if (parsed < std::numeric_limits<int>::min() || parsed > 0xffffffffLL)
        fail(where, "out of range");
    return static_cast<int>(static_cast<unsigned>(parsed));
}

std::string text(const json& object, const char* key, std::size_t capacity,
                 const std::string& where) {
    if (!object.contains(key))
        return "";
    if (!object[key].is_string())
        fail(where + "." + key, "not a text");
    std::string value = object[key].get<std::string>();
    if (value.size() >= capacity)
        fail(where + "." + key, "longer than " + std::to_string(capacity - 1) + " characters");
    return value;
}

Wwn wwn(const json& value, const std::string& where) {
    Wwn bytes{};
    unsigned parsed[8];
    int used = 0;
    if (!value.is_string() ||
        std::sscanf(value.get<std::string>().c_str(), "%2x %2x %2x %2x %2x %2x %2x %2x%n",
                    &parsed[0], &parsed[1], &parsed[2], &parsed[3], &parsed[4], &parsed[5],
                    &parsed[6], &parsed[7], &used) != 8 ||
        static_cast<std::size_t>(used) != value.get<std::string>().size())
        fail(where, "not eight hex bytes separated by blanks");
    for (int k = 0; k < 8; ++k)
        bytes[k] = static_cast<std::uint8_t>(parsed[k]);
    return bytes;
}

FailurePlan failurePlan(const json& value, const std::string& where) {
    FailurePlan plan;
    if (value.is_object()) {
        if (!value.contains("code"))
            fail(where, "no code");
        plan.code = code(value["code"], where + ".code");
        if (value.contains("after"))
            plan.after = bounded<unsigned>(value["after"], where + ".after");
    } else {
        plan.code = code(value, where);
    }
    if (plan.code == SD_SUCCESS)
        fail(where, "a failure needs a non-zero code");
    return plan;
}

PortModel port(const json& value, const Wwn& nodeWwn, const std::string& where) {
    if (!value.is_object())
        fail(where, "not an object");
    PortModel model;
    model.wwn = value.contains("port_wwn") ? wwn(value["port_wwn"], where + ".port_wwn") : nodeWwn;
    if (value.contains("nvram"))
        model.nvramResult = code(value["nvram"], where + ".nvram");
    if (value.contains("state"))
        model.stateResult = code(value["state"], where + ".state");
    return model;
}

AdapterModel adapter(const json& value, const std::string& where) {
    if (!value.is_object())
        fail(where, "not an object");
    AdapterModel model;
    if (!value.contains("node_wwn"))
        fail(where, "no node_wwn");
    model.nodeWwn = wwn(value["node_wwn"], where + ".node_wwn");
    model.model = text(value, "model", 80, where);
    model.modelDescription = text(value, "model_description", 32, where);
    model.serialNumber = text(value, "serial_number", 32, where);
    model.driverVersion = text(value, "driver_version", 32, where);
    model.firmwareVersion = text(value, "firmware_version", 64, where);

    const json chip = value.value("chip", json::object());
    const std::string chipWhere = where + ".chip";
    auto chipField = [&](const char* key) -> std::uint16_t {
        return chip.contains(key) ? bounded<std::uint16_t>(chip[key], chipWhere + "." + key) : 0;
    };
    model.deviceNumber = chipField("device_number");
    model.subsystemId = chipField("subsystem_id");
    model.bus = chipField("bus");
    model.pciId = chipField("pci_id");
    model.type = chipField("type");

    const json ports = value.value("ports", json::array());
    if (!ports.is_array())
        fail(where + ".ports", "not a list");
    for (std::size_t k = 0; k < ports.size(); ++k)
        model.ports.push_back(
            port(ports[k], model.nodeWwn, where + ".ports[" + std::to_string(k) + "]"));
    model.portCount = value.contains("port_count")
                          ? bounded<std::uint16_t>(value["port_count"], where + ".port_count")
                          : static_cast<std::uint16_t>(model.ports.size());

    const json failures = value.value("fail", json::object());
    const char* names[CALL_KINDS] = {"open", "node", "port", "chip"};
    for (int kind = 0; kind < CALL_KINDS; ++kind)
        if (failures.contains(names[kind]))
            model.failures[kind] =
                failurePlan(failures[names[kind]], where + ".fail." + names[kind]);
    return model;
}

} // namespace

Configuration parseConfiguration(const std::string& text) {
    json document;
    try {
        document = json::parse(text);
    } catch (const json::exception& error) {
        fail("JSON", error.what());
    }
    if (!document.is_object())
        fail("JSON", "not an object");
    Configuration configuration;
    if (document.contains("verify_delay_ms"))
        configuration.verifyDelayMs =
            bounded<unsigned>(document["verify_delay_ms"], "verify_delay_ms");
    const json errors = document.value("errors", json::object());
    if (!errors.is_object())
        fail("errors", "not an object");
    for (const auto& [key, value] : errors.items()) {
        if (!value.is_string())
            fail("errors." + key, "not a text");
        configuration.errorTexts[code(json(key), "errors." + key)] = value.get<std::string>();
    }
    const json adapters = document.value("adapters", json::array());
    if (!adapters.is_array())
        fail("adapters", "not a list");
    for (std::size_t k = 0; k < adapters.size(); ++k)
        configuration.adapters.push_back(
            adapter(adapters[k], "adapters[" + std::to_string(k) + "]"));
    return configuration;
}

Configuration readConfiguration(const std::string& path) {
    return standin_config::load(path, parseConfiguration);
}

} // namespace qlsdm_standin
