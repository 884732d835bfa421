#include "standin_state.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "configfile/config_file.h"
#include "qlsdm.h"

namespace qlsdm_standin {
namespace {

void realSleep(unsigned milliseconds) {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void put16(unsigned char* record, int offset, std::uint16_t value) {
    std::memcpy(record + offset, &value, sizeof value);
}

void put32(unsigned char* record, int offset, std::uint32_t value) {
    std::memcpy(record + offset, &value, sizeof value);
}

// Texts were checked against their field sizes when loaded; the record is
// zeroed first, so each stays terminated.
void putText(unsigned char* record, int offset, const std::string& text) {
    std::memcpy(record + offset, text.data(), text.size());
}

const std::map<int, std::string>& builtInTexts() {
    static const std::map<int, std::string> texts = {
        {SD_SUCCESS, "Success"},
        {SDERR_DEVICE_NOT_FOUND, "No adapter at this index"},
        {SDERR_INVALID_HANDLE, "Invalid device handle"},
        {SDERR_INVALID_PORT, "Invalid port number"},
        {SDERR_INVALID_BUFFER, "Invalid buffer"},
    };
    return texts;
}

std::string hexCode(int code) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(code));
    return text;
}

} // namespace

StandIn& StandIn::instance() {
    static StandIn standIn;
    return standIn;
}

StandIn::~StandIn() {
    if (m_handles.empty())
        return;
    std::string list;
    for (const auto& entry : m_handles)
        list += " " + std::to_string(entry.first);
    std::fprintf(stderr, "libqlsdm.so stand-in: %zu handle(s) still open:%s\n", m_handles.size(),
                 list.c_str());
}

void StandIn::load(Configuration configuration) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_configuration = std::move(configuration);
    m_calls.assign(m_configuration.adapters.size(), {});
    m_loaded = true;
}

void StandIn::loadOnFirstUse() {
    if (m_loaded)
        return;
    m_loaded = true;
    const char* path = std::getenv("QLSDM_STANDIN_FILE");
    if (path == nullptr)
        return;
    try {
        m_configuration = readConfiguration(path);
    } catch (const std::exception& error) {
        standin_config::endProgram("libqlsdm.so stand-in", error);
    }
    m_calls.assign(m_configuration.adapters.size(), {});
}

void StandIn::note(const std::string& line) {
    m_journal.push_back(line);
}

int StandIn::planned(int adapter, CallKind kind) {
    unsigned calls = ++m_calls[adapter][kind];
    const auto& plan = m_configuration.adapters[adapter].failures[kind];
    return plan && calls > plan->after ? plan->code : SD_SUCCESS;
}

const AdapterModel* StandIn::adapterOf(int handle, int& index) {
    loadOnFirstUse();
    auto found = m_handles.find(handle);
    if (found == m_handles.end())
        return nullptr;
    index = found->second;
    return &m_configuration.adapters[index];
}

int StandIn::open(int index, int* handle) {
    std::lock_guard<std::mutex> guard(m_lock);
    loadOnFirstUse();
    int result = SD_SUCCESS;
    if (handle == nullptr)
        result = SDERR_INVALID_BUFFER;
    else if (index < 0 || static_cast<std::size_t>(index) >= m_configuration.adapters.size())
        result = SDERR_DEVICE_NOT_FOUND;
    else
        result = planned(index, OPEN);
    if (result != SD_SUCCESS) {
        note("SDOpenDevice " + std::to_string(index) + " = " + hexCode(result));
        return result;
    }
    *handle = m_nextHandle++;
    m_handles[*handle] = index;
    note("SDOpenDevice " + std::to_string(index) + " = 0 handle " + std::to_string(*handle));
    return SD_SUCCESS;
}

int StandIn::close(int handle) {
    std::lock_guard<std::mutex> guard(m_lock);
    int result = m_handles.erase(handle) == 1 ? SD_SUCCESS : SDERR_INVALID_HANDLE;
    note("SDCloseDevice " + std::to_string(handle) + " = " + hexCode(result));
    return result;
}

namespace {

void fillNode(const AdapterModel& adapter, int, unsigned char* bytes) {
    std::memcpy(bytes + SD_NODE_WWN, adapter.nodeWwn.data(), adapter.nodeWwn.size());
    putText(bytes, SD_NODE_MODEL, adapter.model);
    putText(bytes, SD_NODE_MODEL_DESCRIPTION, adapter.modelDescription);
    putText(bytes, SD_NODE_SERIAL_NUMBER, adapter.serialNumber);
    putText(bytes, SD_NODE_DRIVER_VERSION, adapter.driverVersion);
    putText(bytes, SD_NODE_FIRMWARE_VERSION, adapter.firmwareVersion);
    put16(bytes, SD_NODE_NUMBER_OF_PORTS, adapter.portCount);
}

void fillPort(const AdapterModel& adapter, int port, unsigned char* bytes) {
    const PortModel& model = adapter.ports[port];
    std::memcpy(bytes + SD_PORT_NODE_WWN, adapter.nodeWwn.data(), adapter.nodeWwn.size());
    std::memcpy(bytes + SD_PORT_PORT_WWN, model.wwn.data(), model.wwn.size());
    put32(bytes, SD_PORT_PORT_ID, 0x010000u + static_cast<unsigned>(port) * 0x100u);
    put16(bytes, SD_PORT_STATE, 1);
    put16(bytes, SD_PORT_NUMBER, static_cast<std::uint16_t>(port));
}

void fillChip(const AdapterModel& adapter, int, unsigned char* bytes) {
    put16(bytes, SD_CHIP_VENDOR_ID, 0x1077);
    put16(bytes, SD_CHIP_DEVICE_NUMBER, adapter.deviceNumber);
    put16(bytes, SD_CHIP_SUBSYSTEM_VENDOR_ID, 0x1077);
    put16(bytes, SD_CHIP_SUBSYSTEM_ID, adapter.subsystemId);
    put16(bytes, SD_CHIP_BUS_NUMBER, adapter.bus);
    put16(bytes, SD_CHIP_PCI_ID, adapter.pciId);
    put16(bytes, SD_CHIP_ADAPTER_TYPE, adapter.type);
}

struct PropertyCall {
    const char* name;
    std::size_t size;
    bool perPort;
    void (*fill)(const AdapterModel& adapter, int port, unsigned char* bytes);
};

const PropertyCall& propertyCall(CallKind kind) {
    static const PropertyCall node = {"SDGetHbaDeviceNodeProperty", SD_NODE_PROPERTY_SIZE, false,
                                      &fillNode};
    static const PropertyCall port = {"SDGetHbaDevicePortProperty", SD_PORT_PROPERTY_SIZE, true,
                                      &fillPort};
    static const PropertyCall chip = {"SDGetHbaDeviceChipProperty", SD_CHIP_PROPERTY_SIZE, false,
                                      &fillChip};
    return kind == NODE ? node : kind == PORT ? port : chip;
}

} // namespace

int StandIn::property(CallKind kind, int handle, int port, void* record) {
    const PropertyCall& call = propertyCall(kind);
    std::lock_guard<std::mutex> guard(m_lock);
    int index = 0;
    const AdapterModel* adapter = adapterOf(handle, index);
    int result = SD_SUCCESS;
    if (adapter == nullptr)
        result = SDERR_INVALID_HANDLE;
    else if (record == nullptr)
        result = SDERR_INVALID_BUFFER;
    else if (call.perPort && (port < 0 || static_cast<std::size_t>(port) >= adapter->ports.size()))
        result = SDERR_INVALID_PORT;
    else
        result = planned(index, kind);
    note(std::string(call.name) + " " + std::to_string(handle) +
         (call.perPort ? " " + std::to_string(port) : "") + " = " + hexCode(result));
    if (result != SD_SUCCESS)
        return result;
    auto* bytes = static_cast<unsigned char*>(record);
    std::memset(bytes, 0, call.size);
    call.fill(*adapter, port, bytes);
    return SD_SUCCESS;
}

int StandIn::verify(Verify what, int handle, int port) {
    const char* name = what == NVRAM ? "SDVerifyHbaNVRam " : "SDVerifyHbaState ";
    int result = SD_SUCCESS;
    unsigned delay = 0;
    Sleeper sleeper = nullptr;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        int index = 0;
        const AdapterModel* adapter = adapterOf(handle, index);
        if (adapter == nullptr)
            result = SDERR_INVALID_HANDLE;
        else if (port < 0 || static_cast<std::size_t>(port) >= adapter->ports.size())
            result = SDERR_INVALID_PORT;
        else
            result =
                what == NVRAM ? adapter->ports[port].nvramResult : adapter->ports[port].stateResult;
        note(name + std::to_string(handle) + " " + std::to_string(port) + " = " + hexCode(result));
        delay = adapter != nullptr ? m_configuration.verifyDelayMs : 0;
        sleeper = m_sleeper != nullptr ? m_sleeper : &realSleep;
    }
    // The check takes its time without holding the state.
    if (delay != 0)
        sleeper(delay);
    return result;
}

const char* StandIn::errorString(int code) {
    std::lock_guard<std::mutex> guard(m_lock);
    loadOnFirstUse();
    note("SDGetErrorString " + hexCode(code));
    std::string text = "Unknown SD error " + hexCode(code);
    auto configured = m_configuration.errorTexts.find(code);
    auto builtIn = builtInTexts().find(code);
    if (configured != m_configuration.errorTexts.end())
        text = configured->second;
    else if (builtIn != builtInTexts().end())
        text = builtIn->second;
    // Kept for the life of the process (a reload must not pull texts away
    // from callers still holding them).
    return m_keptTexts.insert(text).first->c_str();
}

std::size_t StandIn::openHandles() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_handles.size();
}

std::vector<std::string> StandIn::journal() {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_journal;
}

void StandIn::clearJournal() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_journal.clear();
}

Sleeper StandIn::setSleeper(Sleeper sleeper) {
    std::lock_guard<std::mutex> guard(m_lock);
    Sleeper previous = m_sleeper;
    m_sleeper = sleeper;
    return previous;
}

} // namespace qlsdm_standin
