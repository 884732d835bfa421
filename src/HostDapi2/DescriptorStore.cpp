#include "HostDapi2/DescriptorStore.h"

#include <cstring>

#include "System/LogStreams.h"
#include "dapi2.h"

namespace VarnDiags::HostDapi2 {

using System::logLine;

void storeDescriptor(tag_DapiDiagDevice* hostDevice, const std::string& descriptor) {
    if (descriptor.size() <= DESCRIPTOR_SPLIT) {
        Dapi2_AddFruAdditionalInfoToDevice(hostDevice, DESCRIPTOR_KEY, DESCRIPTOR_INFO_TEXT,
                                           descriptor.c_str());
        logLine(pLogFile, "FRU was added to Dapi2 device . Now returning from this function");
        return;
    }
    const std::string first = descriptor.substr(0, DESCRIPTOR_SPLIT);
    const std::string rest = descriptor.substr(DESCRIPTOR_SPLIT);
    logLine(pLogFile, "Adding to FRU ", first);
    Dapi2_AddFruAdditionalInfoToDevice(hostDevice, DESCRIPTOR_KEY, DESCRIPTOR_INFO_TEXT,
                                       first.c_str());
    logLine(pLogFile, "Then Adding to FRU ", rest);
    Dapi2_AddFruAdditionalInfoToDevice(hostDevice, DESCRIPTOR_KEY2, DESCRIPTOR_INFO_TEXT,
                                       rest.c_str());
    logLine(pLogFile, "SPLIT FRU was added to Dapi2 device . Now returning from this function");
}

std::optional<std::string> readDescriptor(tag_DapiDiagDevice* hostDevice) {
    tag_DapiFruInfo* fru = Dapi2_GetDeviceFruInfo(hostDevice);
    if (fru == nullptr)
        return std::nullopt;
    std::optional<std::string> descriptor;
    for (tag_DapiFruAdditionalInfo* entry = Dapi2_GetFirstFruAdditionalInfo(fru); entry != nullptr;
         entry = Dapi2_GetNextFruAdditionalInfo(fru)) {
        const char* key = Dapi2_GetFruAdditionalInfoField(entry);
        const char* value = Dapi2_GetFruAdditionalInfoValue(entry);
        if (key == nullptr)
            continue;
        if (std::strcmp(key, DESCRIPTOR_KEY) == 0) {
            if (value == nullptr)
                return std::nullopt;
            logLine(pLogFile, "FRU found. ->", value);
            descriptor = value;
        } else if (std::strcmp(key, DESCRIPTOR_KEY2) == 0) {
            if (value == nullptr || !descriptor)
                return std::nullopt;
            logLine(pLogFile, "SPLIT FRU found. Remainaing section->", value);
            *descriptor += value;
        }
    }
    return descriptor;
}

} // namespace VarnDiags::HostDapi2
