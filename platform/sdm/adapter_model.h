// The adapters the stand-in serves, as read from its JSON description.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qlsdm_standin {

using Wwn = std::array<std::uint8_t, 8>;

// A call kind that fails with `code` once `after` calls of it succeeded.
struct FailurePlan {
    int code = 0;
    unsigned after = 0;
};

enum CallKind { OPEN, NODE, PORT, CHIP, CALL_KINDS };

struct PortModel {
    Wwn wwn{};
    int nvramResult = 0;
    int stateResult = 0;
};

struct AdapterModel {
    Wwn nodeWwn{};
    std::string model, modelDescription, serialNumber, driverVersion, firmwareVersion;
    std::uint16_t deviceNumber = 0, subsystemId = 0, bus = 0, pciId = 0, type = 0;
    std::vector<PortModel> ports;
    std::uint16_t portCount = 0;
    std::array<std::optional<FailurePlan>, CALL_KINDS> failures;
};

struct Configuration {
    unsigned verifyDelayMs = 0;
    std::map<int, std::string> errorTexts;
    std::vector<AdapterModel> adapters;
};

// Throws std::runtime_error naming what is wrong.
Configuration parseConfiguration(const std::string& json);
// The configuration in a file; throws std::runtime_error "configuration
// <path>: <reason>" when it is missing, not a regular file, unreadable or bad.
Configuration readConfiguration(const std::string& path);

} // namespace qlsdm_standin
