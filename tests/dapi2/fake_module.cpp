// A minimal diagnostic module on the host stand-in, driven by environment variables so that
// tests can run the host's command line as a process:
//   FAKE_DEVICES  number of PCI devices to offer (default 2; 0 gives enumerate code 9)
//   FAKE_MEMORY   set: offer one memory device instead
//   FAKE_INFO     value stored under "VarnDeviceDNAstr" (default "fake|<index>|")
//   FAKE_RESULT   run code when the test was not stopped (default 0)
//   FAKE_HOLD     set: progress stays at 50 until a stop (or 20 s pass: code 99)
// A stopped run returns 8, a run without device 9; a creation failure ends enumeration
// with 31. The run prints "fake: test N info <values>" before it starts.
#include "dapi2.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

namespace {

int envInt(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value ? std::atoi(value) : fallback;
}

bool describe(tag_DapiDiagDevice* device, int index) {
    if (!device) {
        return false;
    }
    const char* info = std::getenv("FAKE_INFO");
    const std::string value = info ? info : "fake|" + std::to_string(index) + "|";
    Dapi2_AddFruToDevice(device, "placeholder", "placeholder", "placeholder", "placeholder",
                         "placeholder", "placeholder");
    Dapi2_AddFruAdditionalInfoToDevice(device, "VarnDeviceDNAstr", "how to rebuild", value.c_str());
    Dapi2_AddTestsToDevice(device, "*");
    return Dapi2_AddDevice(device) == 0;
}

int enumerate() {
    tag_DapiDiagDevice* device = nullptr;
    if (std::getenv("FAKE_MEMORY")) {
        Dapi2_CreateDeviceMemory("MEMORY", 0, "Memory", "0:1024:01:X", "System memory", 1024,
                                 &device);
        return describe(device, 0) ? 0 : 31;
    }
    const int count = envInt("FAKE_DEVICES", 2);
    for (int i = 0; i < count; ++i) {
        const std::string name = "Fake " + std::to_string(i);
        Dapi2_CreateDevicePCI("PCI", i, name.c_str(), "bus 1", "fake device", 1, i, 0, &device);
        if (!describe(device, i)) {
            return 31;
        }
    }
    return count > 0 ? 0 : 9;
}

// Reports progress like a diagnostic's progress thread until done or asked to stop.
bool reportUntilDone() {
    const bool hold = std::getenv("FAKE_HOLD") != nullptr;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int percent = 0; percent < 100 && std::chrono::steady_clock::now() < deadline;) {
        if (Dapi2_CheckForStop()) {
            Dapi2_Warning(1, " ");
            return true;
        }
        Dapi2_SetPercentDone(percent);
        if (!hold || percent < 50) {
            percent += 25;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

int run(int testNumber, tag_DapiDiagDevice* device) {
    if (!device) {
        return 9;
    }
    std::string info;
    tag_DapiFruInfo* fru = Dapi2_GetDeviceFruInfo(device);
    for (tag_DapiFruAdditionalInfo* entry = Dapi2_GetFirstFruAdditionalInfo(fru); entry;
         entry = Dapi2_GetNextFruAdditionalInfo(fru)) {
        info += Dapi2_GetFruAdditionalInfoValue(entry);
    }
    std::printf("fake: test %d info %s\n", testNumber, info.c_str());
    std::fflush(stdout);

    bool stopped = false;
    std::thread progress([&stopped] { stopped = reportUntilDone(); });
    progress.join();
    if (stopped) {
        return 8;
    }
    if (std::getenv("FAKE_HOLD")) {
        return 99;
    }
    Dapi2_SetPercentDone(100);
    const int result = envInt("FAKE_RESULT", 0);
    if (result == 2) {
        Dapi2_Error(7, "fake failure");
    }
    return result;
}

} // namespace

int main(int argc, char** argv) {
    tag_DapiRegistration* reg = Dapi2_CreateRegistrationStructure();
    if (!reg) {
        Dapi2_FreeRegistrationStructure(reg);
        return 1;
    }
    Dapi2_AddRegistrationStructureCallback(reg, DAPI2_CALLBACK_ENUMERATE,
                                           reinterpret_cast<Dapi2Callback>(&enumerate));
    Dapi2_AddRegistrationStructureCallback(reg, DAPI2_CALLBACK_RUN,
                                           reinterpret_cast<Dapi2Callback>(&run));
    Dapi2_Version(1, 1, 0);
    const int result = Dapi2_Main(argc, argv, reg);
    Dapi2_FreeRegistrationStructure(reg);
    return result;
}
