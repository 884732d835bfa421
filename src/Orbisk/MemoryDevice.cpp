#include "MemoryDevice.h"

#include <algorithm>
#include <cstdlib>

#include "MemoryParameterList.h"
#include "System/LogStreams.h"
#include "TamselInformationExtractor.h"

namespace VarnDiags::MemoryDevices {

using DeviceEnum::TamselInformationExtractor;
using System::logLine;

namespace {

const char* const NAME = "Physical Memory";
const char* const DESCRIPTION = "System Memory";
const char* const EMPTY_DESCRIPTOR = "Default EMPTY Memory Device.";
const char* const EMPTY_LOCATION = "Default Empty System Chassis";

// Failure modes MEMDEBUG pretends the first modules report.
constexpr int DEBUG_MODES[] = {5, 0, 8};

} // namespace

MemoryDevice::MemoryDevice(const std::string& parameterList)
    : SystemDevice(SYSTEM_MEMORY, parameterList.c_str()) {
    initFromParameterList(parameterList.c_str());
}

MemoryDevice::MemoryDevice(const char* descriptor) {
    initFromParameterList(descriptor);
}

MemoryDevice::MemoryDevice() {
    setEmptyTexts();
    setTexts(NAME, EMPTY_DESCRIPTOR, EMPTY_DESCRIPTOR, EMPTY_LOCATION);
    m_engine = std::make_unique<PatternTestEngine>(0, 1);
}

MemoryDevice::~MemoryDevice() {
    logLine(pLogFile0, "MemoryDevice::~MemoryDevice()");
    m_engine.reset(); // waits for a running test
}

void MemoryDevice::setEmptyTexts() {
    setTexts(NAME, EMPTY_DESCRIPTOR, DESCRIPTION, EMPTY_LOCATION);
    m_type = DEVICE_TYPE;
    m_valid = false;
}

void MemoryDevice::initFromParameterList(const char* text) {
    m_numProcessors = std::max(1, TamselInformationExtractor().getNumProcessors());
    setEmptyTexts();
    const std::optional<DeviceEnum::MemoryParameters> parameters =
        DeviceEnum::parseMemoryParameters(text);
    if (parameters) {
        m_totalPhysMem = parameters->totalKB;
        if (std::getenv("MEMDEBUG") != nullptr) {
            m_totalPhysMem = DEBUG_TESTED_KB;
            m_debug = true;
            logLine(pLogFile0, "DEBUGGING TURNED ON");
        }
        logLine(pLogFile0, "Original m_totalPhysMem value = ", m_totalPhysMem, "KB");
        m_totalPhysMem = std::min(m_totalPhysMem, MAX_TESTED_KB);
        m_dimmNames = parameters->names;
        setParamList(text);
        setTexts(NAME, text, DESCRIPTION, std::to_string(parameters->totalKB / 1024) + " MB");
        m_valid = true;
    } else {
        logLine(pLogFile0, "MemoryDevice: not a memory parameter list: \"",
                text != nullptr ? text : "", "\"");
    }
    m_engine = std::make_unique<PatternTestEngine>(m_valid ? m_totalPhysMem : 0, m_numProcessors);
}

DeviceEnum::IDevice* MemoryDevice::clone(const char* descriptor) {
    return new MemoryDevice(descriptor);
}

int MemoryDevice::startMemoryPatternTest() {
    return m_engine->start();
}

void MemoryDevice::abortMemoryPatternTest() {
    m_engine->abort();
}

const char* MemoryDevice::getDimmName(int index) const {
    if (index < 0 || index >= getNumDimms())
        return "";
    return m_dimmNames[static_cast<std::size_t>(index)].c_str();
}

int MemoryDevice::validSwapSpace() {
    // Nothing when the data manager is down or has no sizes object.
    const std::optional<unsigned long> page = TamselInformationExtractor().readTotalPageFileSize();
    if (!page)
        return NO_ANSWER;
    logLine(pLogFile0, "MemoryDevice::validSwapSpace() = size = ", *page);
    // total × 0.9 > page, in exact integers
    return m_totalPhysMem * 9 > *page * 10 ? SWAP_TOO_SMALL : CHECK_OK;
}

int MemoryDevice::eccLogState() {
    switch (TamselInformationExtractor().getEccLoggingState()) {
    case -1:
        return NO_ANSWER;
    case 0:
        return ECC_LOGGING_DISABLED;
    default:
        return CHECK_OK;
    }
}

int MemoryDevice::failOverState() {
    const int state = TamselInformationExtractor().getFailoverState();
    if (state == -1)
        return NO_ANSWER;
    return state != 0 ? FAILOVER_ACTIVE : CHECK_OK;
}

int MemoryDevice::dimmsStatusOk(int* modes, std::size_t count) {
    if (!TamselInformationExtractor().getEccMemoryStatus(modes, count))
        return NO_ANSWER;
    if (m_debug) {
        logLine(pLogFile0, "MemoryDevice::MEMDEBUG is set. ");
        for (std::size_t i = 0; i < count && i < std::size(DEBUG_MODES); ++i)
            modes[i] = DEBUG_MODES[i];
    }
    int result = CHECK_OK;
    for (std::size_t i = 0; i < count; ++i) {
        logLine(pLogFile0, "MemoryDevice::dimmsStatusOk() DIMM(", i,
                ") = FailureMode = ", modes[i]);
        if (modes[i] == 0)
            continue;
        if (modes[i] != 1)
            return CRITICAL_MODULE_FAULT;
        result = NONCRITICAL_MODULE_FAULT;
    }
    return result;
}

} // namespace VarnDiags::MemoryDevices
