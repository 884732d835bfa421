// Device records: created by the module's enumerate callback, offered for testing, and
// handed back to its run callback with their FRU texts and additional information.
#include "host_state.h"
#include "text.h"

using namespace dapi2;

namespace {

std::string nameOf(const HostState& s, const tag_DapiDiagDevice* device) {
    if (!device) {
        return "NULL";
    }
    return knownDevice(s, device) ? device->name : "unknown";
}

// Makes a record unless this creation is the one to refuse; sets *out either way.
int createDevice(dapi2_control::Device fields, tag_DapiDiagDevice** out, const std::string& call) {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    ++s.creations;
    tag_DapiDiagDevice* device = nullptr;
    if (out && s.creations != s.injections.refuseCreation) {
        device = &s.created.emplace_back();
        device->name = "dev" + std::to_string(s.created.size());
        device->fru.name = "fru" + std::to_string(s.created.size());
        device->record = std::move(fields);
    }
    if (out) {
        *out = device;
    }
    const int result = device ? 0 : -1;
    record(s, call + ", " + (out ? "out" : "NULL") + ") = " + std::to_string(result) + " " +
                  nameOf(s, device));
    return result;
}

std::string commonArgs(const dapi2_control::Device& d) {
    return quote(d.type) + ", " + std::to_string(d.number) + ", " + quote(d.name) + ", " +
           quote(d.location) + ", " + quote(d.description);
}

} // namespace

extern "C" int Dapi2_CreateDevicePCI(const char* type, int number, const char* name,
                                     const char* location, const char* description, int bus,
                                     int device, int function, tag_DapiDiagDevice** out) {
    dapi2_control::Device d;
    d.type = copyText(type);
    d.number = number;
    d.name = copyText(name);
    d.location = copyText(location);
    d.description = copyText(description);
    d.bus = bus;
    d.device = device;
    d.function = function;
    const std::string call = "Dapi2_CreateDevicePCI(" + commonArgs(d) + ", " + std::to_string(bus) +
                             ", " + std::to_string(device) + ", " + std::to_string(function);
    return createDevice(std::move(d), out, call);
}

extern "C" int Dapi2_CreateDeviceMemory(const char* type, int number, const char* name,
                                        const char* location, const char* description,
                                        unsigned long sizeKB, tag_DapiDiagDevice** out) {
    dapi2_control::Device d;
    d.type = copyText(type);
    d.memory = true;
    d.number = number;
    d.name = copyText(name);
    d.location = copyText(location);
    d.description = copyText(description);
    d.sizeKB = sizeKB;
    const std::string call =
        "Dapi2_CreateDeviceMemory(" + commonArgs(d) + ", " + std::to_string(sizeKB);
    return createDevice(std::move(d), out, call);
}

extern "C" int Dapi2_AddDevice(tag_DapiDiagDevice* device) {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    int result = -1;
    if (knownDevice(s, device) && !device->offered) {
        device->offered = true;
        s.offered.push_back(device);
        result = 0;
    }
    record(s, "Dapi2_AddDevice(" + nameOf(s, device) + ") = " + std::to_string(result));
    return result;
}

extern "C" int Dapi2_AddFruToDevice(tag_DapiDiagDevice* device, const char* manufacturer,
                                    const char* model, const char* serialNumber,
                                    const char* partNumber, const char* revision,
                                    const char* manufactureDate) {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    const char* texts[] = {manufacturer, model,    serialNumber,
                           partNumber,   revision, manufactureDate};
    std::string args;
    for (const char* text : texts) {
        args += ", " + quote(text);
    }
    const bool known = knownDevice(s, device);
    if (known) {
        device->record.fru.clear();
        for (const char* text : texts) {
            device->record.fru.push_back(copyText(text));
        }
    }
    const int result = known ? 0 : -1;
    record(s, "Dapi2_AddFruToDevice(" + nameOf(s, device) + args + ") = " + std::to_string(result));
    return result;
}

extern "C" int Dapi2_AddFruAdditionalInfoToDevice(tag_DapiDiagDevice* device, const char* key,
                                                  const char* description, const char* value) {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    int result = -1;
    if (knownDevice(s, device) && key) {
        tag_DapiFruAdditionalInfo& item = device->fru.items.emplace_back();
        item.name = device->name + ".info" + std::to_string(device->fru.items.size());
        item.entry = {key, copyText(description), copyText(value)};
        if (s.injections.cutInfoAt >= 0) {
            item.entry.value.resize(
                std::min(item.entry.value.size(), static_cast<size_t>(s.injections.cutInfoAt)));
        }
        result = 0;
    }
    record(s, "Dapi2_AddFruAdditionalInfoToDevice(" + nameOf(s, device) + ", " + quote(key) + ", " +
                  quote(description) + ", " + quote(value) + ") = " + std::to_string(result));
    return result;
}

extern "C" int Dapi2_AddTestsToDevice(tag_DapiDiagDevice* device, const char* tests) {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    const bool ok = knownDevice(s, device) && tests;
    if (ok) {
        device->record.tests = tests;
    }
    const int result = ok ? 0 : -1;
    record(s, "Dapi2_AddTestsToDevice(" + nameOf(s, device) + ", " + quote(tests) +
                  ") = " + std::to_string(result));
    return result;
}

extern "C" tag_DapiFruInfo* Dapi2_GetDeviceFruInfo(tag_DapiDiagDevice* device) {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    tag_DapiFruInfo* fru = knownDevice(s, device) ? &device->fru : nullptr;
    record(s, "Dapi2_GetDeviceFruInfo(" + nameOf(s, device) +
                  ") = " + (fru ? fru->name : std::string("NULL")));
    return fru;
}

namespace {

// One step of the entry walk: restart (First) or continue (Next).
tag_DapiFruAdditionalInfo* walk(tag_DapiFruInfo* fru, bool restart, const char* call) {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    tag_DapiFruAdditionalInfo* item = nullptr;
    if (fru) {
        if (restart) {
            fru->cursor = 0;
        }
        if (fru->cursor < fru->items.size()) {
            item = &fru->items[fru->cursor++];
        }
    }
    record(s, std::string(call) + "(" + (fru ? fru->name : "NULL") +
                  ") = " + (item ? item->name : "NULL"));
    return item;
}

// The key or the value of an entry.
const char* entryText(tag_DapiFruAdditionalInfo* item, bool key, const char* call) {
    HostState& s = state();
    std::lock_guard<std::mutex> lock(s.mutex);
    const char* text = nullptr;
    if (item) {
        text = key ? item->entry.key.c_str() : item->entry.value.c_str();
    }
    record(s, std::string(call) + "(" + (item ? item->name : "NULL") + ") = " + quote(text));
    return text;
}

} // namespace

extern "C" tag_DapiFruAdditionalInfo* Dapi2_GetFirstFruAdditionalInfo(tag_DapiFruInfo* fru) {
    return walk(fru, true, "Dapi2_GetFirstFruAdditionalInfo");
}

extern "C" tag_DapiFruAdditionalInfo* Dapi2_GetNextFruAdditionalInfo(tag_DapiFruInfo* fru) {
    return walk(fru, false, "Dapi2_GetNextFruAdditionalInfo");
}

extern "C" const char* Dapi2_GetFruAdditionalInfoField(tag_DapiFruAdditionalInfo* entry) {
    return entryText(entry, true, "Dapi2_GetFruAdditionalInfoField");
}

extern "C" const char* Dapi2_GetFruAdditionalInfoValue(tag_DapiFruAdditionalInfo* entry) {
    return entryText(entry, false, "Dapi2_GetFruAdditionalInfoValue");
}
