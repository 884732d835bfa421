#pragma once
// Reads the memory facts from the maker's data manager: memory arrays and
// their modules, ECC logging, memory fail-over, per-module failure modes,
// page-file size and processor count. Stateless; build one where a fact is
// needed. Every call first asks whether the data manager answers; when it
// does not, each call (but isTamselRunning) prints "Tamsel is not
// running...\n" and returns its "down" value.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "DeviceEnum/VirtualDevice.h"

namespace VarnDiags::DeviceEnum {

// The modules of all memory arrays, in list order. An unreadable module
// keeps its place (empty name, size 0, mode 0), so names and failure modes
// always line up with the module count.
struct MemoryModule {
    std::string name;
    std::uint32_t sizeKB = 0;
    std::uint32_t failureMode = 0;
};

struct MemoryLayout {
    std::vector<MemoryModule> modules;
    unsigned long totalKB = 0;
    std::uint32_t lastArrayModuleCount = 0;
};

class TamselInformationExtractor {
public:
    static constexpr std::uint32_t ROOT_OID = 2;
    static constexpr int MAX_PROCESSORS = 16;

    bool isTamselRunning();
    // A new vector (caller deletes): empty, or the one system memory device.
    std::vector<VirtualDevice>* getSystemDevicesVector();
    // Logging state byte; 1 without an ECC logging object; -1 when down.
    int getEccLoggingState();
    // Fail-over byte; 0 without a memory configuration object; -1 when down.
    int getFailoverState();
    // The OID the memory arrays hang under; 0 when down.
    std::uint32_t getEccMemoryRedundancyObjID();
    // Slot k of `modes` gets the failure-mode word of the k-th module, for
    // at most `capacity` modules; false (nothing written) when down.
    bool getEccMemoryStatus(int* modes, std::size_t capacity);
    // The memory sizes object's page-file size; 0 when down or missing.
    unsigned long getTotalPageFileSize();
    // The same, but nothing when the data manager is down or has no sizes
    // object.
    std::optional<unsigned long> readTotalPageFileSize();
    // Processor objects found, 0..16; 0 when down.
    int getNumProcessors();

    // The arrays and modules under `parent` (no readiness check).
    MemoryLayout readMemoryLayout(std::uint32_t parent);

private:
    bool running(); // prints the message when down
};

// ":" separates module names in a descriptor, so one inside a name becomes "_".
std::string moduleName(const char* first, const char* second);

} // namespace VarnDiags::DeviceEnum
