#include "Script.h"

#include <cstdlib>
#include <sstream>

namespace testdiag {
namespace {

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::stringstream stream(text);
    for (std::string part; std::getline(stream, part, separator);)
        parts.push_back(part);
    return parts;
}

unsigned int number(const std::string& text, std::size_t from) {
    return from < text.size() ? static_cast<unsigned int>(std::stoul(text.substr(from))) : 0;
}

} // namespace

int envNumber(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr ? std::atoi(value) : fallback;
}

bool scriptedDevices(std::vector<DeviceScript>& devices) {
    const char* value = std::getenv("TESTDIAG_DEVICES");
    std::string text = value != nullptr ? value : "0,3,1,RAID controller;1,4,1,Network adapter";
    if (text == "none")
        return false;
    for (const std::string& entry : split(text, ';')) {
        std::vector<std::string> fields = split(entry, ',');
        if (fields.size() < 3)
            continue;
        DeviceScript device;
        device.bus = std::stoi(fields[0]);
        device.device = std::stoi(fields[1]);
        device.function = std::stoi(fields[2]);
        if (fields.size() > 3)
            device.description = fields[3];
        const std::string flags = fields.size() > 4 ? fields[4] : "";
        device.opens = flags.find('o') == std::string::npos;
        device.valid = flags.find('i') == std::string::npos;
        device.pci = flags.find('x') == std::string::npos;
        devices.push_back(device);
    }
    return true;
}

std::vector<TestScript> scriptedTests() {
    const char* value = std::getenv("TESTDIAG_TESTS");
    std::vector<TestScript> tests;
    for (const std::string& entry : split(value != nullptr ? value : "P", ',')) {
        std::vector<std::string> parts = split(entry, '+');
        if (parts.empty() || parts[0].empty())
            continue;
        TestScript test;
        test.result = parts[0][0];
        test.code = number(parts[0], 1);
        for (std::size_t k = 1; k < parts.size(); ++k)
            if (!parts[k].empty())
                test.events.push_back({parts[k][0], number(parts[k], 1)});
        tests.push_back(test);
    }
    return tests;
}

} // namespace testdiag
