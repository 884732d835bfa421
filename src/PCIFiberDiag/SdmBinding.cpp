#include "PCIFiberDiag/SdmBinding.h"

#include <dlfcn.h>

#include <atomic>
#include <cstring>
#include <mutex>

#include "System/LogStreams.h"

namespace VarnDiags::PCIFiberDiag {
namespace {

using System::logLine;

constexpr const char* LIBRARY_NAME = "libqlsdm.so";
constexpr const char* LOOKUP_ERROR = "QLogicHBAEnumerator::initDLL() GetProcAddressbyOS error";

// In the order of SdmEntryPoints.
constexpr const char* ENTRY_NAMES[] = {
    "SDOpenDevice",
    "SDCloseDevice",
    "SDVerifyHbaNVRam",
    "SDVerifyHbaState",
    "SDGetHbaDeviceNodeProperty",
    "SDGetHbaDevicePortProperty",
    "SDGetHbaDeviceChipProperty",
    "SDGetErrorString",
};
constexpr std::size_t ENTRY_COUNT = sizeof ENTRY_NAMES / sizeof ENTRY_NAMES[0];
static_assert(sizeof(SdmEntryPoints) == ENTRY_COUNT * sizeof(void (*)()));

template <typename Function> void take(Function& entry, void* symbol) {
    entry = reinterpret_cast<Function>(symbol);
}

SdmEntryPoints fromSymbols(void* const (&symbols)[ENTRY_COUNT]) {
    SdmEntryPoints entries{};
    take(entries.SDOpenDevice, symbols[0]);
    take(entries.SDCloseDevice, symbols[1]);
    take(entries.SDVerifyHbaNVRam, symbols[2]);
    take(entries.SDVerifyHbaState, symbols[3]);
    take(entries.SDGetHbaDeviceNodeProperty, symbols[4]);
    take(entries.SDGetHbaDevicePortProperty, symbols[5]);
    take(entries.SDGetHbaDeviceChipProperty, symbols[6]);
    take(entries.SDGetErrorString, symbols[7]);
    return entries;
}

std::mutex s_bindLock;
SdmEntryPoints s_entries;
void* s_library = nullptr;
std::atomic<const SdmEntryPoints*> s_bound{nullptr};

} // namespace

bool bindSdmLibrary(void** library) {
    std::lock_guard<std::mutex> guard(s_bindLock);
    if (s_bound.load() == nullptr) {
        void* opened = dlopen(LIBRARY_NAME, RTLD_NOW);
        if (opened == nullptr) {
            logLine(pLogFile0, "QLogicHBAEnumerator::initDLL() dlopen error");
            return true;
        }
        void* symbols[ENTRY_COUNT] = {};
        bool missing = false;
        for (std::size_t k = 0; k < ENTRY_COUNT; ++k) {
            symbols[k] = dlsym(opened, ENTRY_NAMES[k]);
            if (symbols[k] != nullptr)
                continue;
            missing = true;
            logLine(pLogFile0, std::strcmp(ENTRY_NAMES[k], "SDVerifyHbaNVRam") == 0
                                   ? "QLogicHBAEnumerator::initDLL() error"
                                   : LOOKUP_ERROR);
        }
        if (symbols[ENTRY_COUNT - 1] == nullptr)
            logLine(pLogFile0, LOOKUP_ERROR);
        if (missing) {
            // Nothing of it was published, so nothing can call into it.
            dlclose(opened);
            return true;
        }
        s_entries = fromSymbols(symbols);
        s_library = opened;
        s_bound.store(&s_entries);
    }
    if (library != nullptr)
        *library = s_library;
    return false;
}

const SdmEntryPoints* sdmEntryPoints() {
    return s_bound.load();
}

} // namespace VarnDiags::PCIFiberDiag
