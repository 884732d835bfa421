#include "TamselInformationExtractor.h"

#include <algorithm>
#include <cstdio>

#include "MemoryParameterList.h"
#include "SmilHandles.h"
#include "System/LogStreams.h"
#include "SystemDevice.h"

namespace VarnDiags::DeviceEnum {

using System::logLine;

namespace {

enum ObjectType : std::uint16_t {
    REDUNDANT_OBJECT = 2,
    MEMORY_SIZES = 146,
    PROCESSOR = 210,
    MEMORY_ARRAY = 224,
    MEMORY_MODULE = 225,
    MEMORY_CONFIG = 232,
    ECC_LOGGING = 233,
};

// Memory module fields.
constexpr std::uint32_t MODULE_SIZE_KB = 24;
constexpr std::uint32_t MODULE_NAME_SECOND = 68;
constexpr std::uint32_t MODULE_NAME_FIRST = 72;
constexpr std::uint32_t MODULE_FAILURE_MODE = 76;
// Memory configuration fields.
constexpr std::uint32_t CONFIG_CAPABILITIES = 16;
constexpr std::uint32_t CONFIG_CONFIGURATION = 17;
constexpr std::uint32_t CONFIG_FAILOVER = 18;
constexpr std::uint32_t ECC_LOGGING_STATE = 16;
constexpr std::uint32_t SIZES_TOTAL_PAGE_FILE = 28;

// Devices need more than this much memory to be worth testing.
constexpr unsigned long MINIMUM_TOTAL_KB = 32768;

SmilObject rootChild(std::uint16_t type, std::uint32_t index) {
    const std::uint32_t root = TamselInformationExtractor::ROOT_OID;
    return SmilObject(SMILGetObjByType(&root, type, index));
}

SmilOidList children(std::uint32_t parent, std::uint16_t type) {
    return SmilOidList(SMILListChildOIDByType(&parent, type));
}

SmilObject object(std::uint32_t oid) {
    return SmilObject(SMILGetObjByOID(&oid));
}

void logSizes(const SmilObject& sizes) {
    static const struct {
        std::uint32_t offset;
        const char* label;
    } fields[] = {{16, "totalPhysMemorySize = "}, {20, "availPhysMemorySize = "},
                  {24, "totalPageFileSize = "},   {28, "availPageFileSize = "},
                  {32, "totalvirtSize = "},       {36, "virtSize = "}};
    for (const auto& field : fields)
        logLine(pLogFile0, field.label, sizes.u32(field.offset));
}

} // namespace

std::string moduleName(const char* first, const char* second) {
    std::string name = first;
    if (!name.empty())
        name += ' ';
    name += second;
    std::replace(name.begin(), name.end(), ':', '_');
    return name;
}

bool TamselInformationExtractor::isTamselRunning() {
    return (SMILIsDataManagerReady() & 0xFFFFu) != 0;
}

bool TamselInformationExtractor::running() {
    if (isTamselRunning())
        return true;
    std::fputs("Tamsel is not running...\n", stdout);
    std::fflush(stdout);
    return false;
}

MemoryLayout TamselInformationExtractor::readMemoryLayout(std::uint32_t parent) {
    MemoryLayout layout;
    const SmilOidList arrays = children(parent, MEMORY_ARRAY);
    for (std::uint32_t a = 0; a < arrays.count(); ++a) {
        const SmilObject array = object(arrays[a]);
        if (!array)
            continue;
        const SmilOidList modules = children(array.oid(), MEMORY_MODULE);
        if (!modules)
            continue;
        layout.lastArrayModuleCount = modules.count();
        for (std::uint32_t m = 0; m < modules.count(); ++m) {
            MemoryModule entry;
            const SmilObject module = object(modules[m]);
            if (module) {
                entry.name =
                    moduleName(module.utf8(MODULE_NAME_FIRST), module.utf8(MODULE_NAME_SECOND));
                entry.sizeKB = module.u32(MODULE_SIZE_KB);
                entry.failureMode = module.u32(MODULE_FAILURE_MODE);
            }
            layout.totalKB += entry.sizeKB;
            layout.modules.push_back(std::move(entry));
        }
    }
    return layout;
}

std::vector<VirtualDevice>* TamselInformationExtractor::getSystemDevicesVector() {
    auto* devices = new std::vector<VirtualDevice>;
    if (!running())
        return devices;
    // The same arrays the failure modes are read from, so that module k of
    // the descriptor is module k of the failure modes.
    const MemoryLayout layout = readMemoryLayout(getEccMemoryRedundancyObjID());
    if (layout.totalKB <= MINIMUM_TOTAL_KB || layout.lastArrayModuleCount == 0)
        return devices;
    MemoryParameters parameters;
    parameters.totalKB = layout.totalKB;
    for (const MemoryModule& module : layout.modules)
        parameters.names.push_back(module.name);
    const std::string list = formatMemoryParameters(parameters);
    devices->emplace_back(new SystemDevices::SystemDevice(0, list.c_str()));
    return devices;
}

int TamselInformationExtractor::getEccLoggingState() {
    if (!running())
        return -1;
    const SmilObject logging = rootChild(ECC_LOGGING, 0);
    return logging ? logging.u8(ECC_LOGGING_STATE) : 1;
}

int TamselInformationExtractor::getFailoverState() {
    if (!running())
        return -1;
    const SmilObject config = rootChild(MEMORY_CONFIG, 0);
    return config ? config.u8(CONFIG_FAILOVER) : 0;
}

std::uint32_t TamselInformationExtractor::getEccMemoryRedundancyObjID() {
    if (!running())
        return 0;
    const SmilObject config = rootChild(MEMORY_CONFIG, 0);
    if (!config)
        return ROOT_OID;
    const unsigned capabilities = config.u8(CONFIG_CAPABILITIES);
    const unsigned configuration = config.u8(CONFIG_CONFIGURATION);
    logLine(pLogFile0, "Got a memory-config object");
    logLine(pLogFile0, "Capabilities: ", capabilities);
    logLine(pLogFile0, "Config: ", configuration);
    if (capabilities == 0 || configuration == 0)
        return ROOT_OID;
    for (std::uint32_t index = 0;; ++index) {
        const SmilObject redundant = rootChild(REDUNDANT_OBJECT, index);
        if (!redundant)
            return ROOT_OID;
        logLine(pLogFile0, "Got a redundant object: ", index);
        // The data manager may answer an empty list for any object: only a
        // parent with arrays is the parent of the arrays.
        if (children(redundant.oid(), MEMORY_ARRAY).count() > 0) {
            logLine(pLogFile0, "Found parent of memory-array: ", index + 1);
            return redundant.oid();
        }
    }
}

bool TamselInformationExtractor::getEccMemoryStatus(int* modes, std::size_t capacity) {
    if (!running())
        return false;
    const MemoryLayout layout = readMemoryLayout(getEccMemoryRedundancyObjID());
    const std::size_t count = std::min(capacity, layout.modules.size());
    for (std::size_t k = 0; k < count; ++k)
        modes[k] = static_cast<int>(layout.modules[k].failureMode);
    return true;
}

std::optional<unsigned long> TamselInformationExtractor::readTotalPageFileSize() {
    if (!running())
        return std::nullopt;
    const SmilObject sizes = rootChild(MEMORY_SIZES, 0);
    if (!sizes) {
        logLine(pLogFile0, "No memory sizes object.");
        return std::nullopt;
    }
    logSizes(sizes);
    return sizes.u32(SIZES_TOTAL_PAGE_FILE);
}

unsigned long TamselInformationExtractor::getTotalPageFileSize() {
    return readTotalPageFileSize().value_or(0);
}

int TamselInformationExtractor::getNumProcessors() {
    if (!running())
        return 0;
    int count = 0;
    while (count < MAX_PROCESSORS && rootChild(PROCESSOR, static_cast<std::uint32_t>(count)))
        ++count;
    return count;
}

} // namespace VarnDiags::DeviceEnum
