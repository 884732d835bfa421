#include "Machine.h"

#include <sstream>

namespace orbisk_test {

namespace {

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

} // namespace

std::string Machine::json() const {
    std::ostringstream out;
    out << "{\"ready\": " << (ready ? "true" : "false")
        << ", \"objects\": [{\"oid\": 2, \"type\": 1}";
    std::uint32_t nextOid = 1000;
    std::vector<std::uint32_t> redundant;
    for (int i = 0; i < redundantObjects; ++i) {
        redundant.push_back(nextOid);
        out << ", {\"oid\": " << nextOid++ << ", \"type\": 2, \"parents\": [2]}";
    }
    const std::uint32_t arrayParent =
        arraysUnderRedundant ? redundant.at(static_cast<std::size_t>(*arraysUnderRedundant)) : 2;
    for (const auto& array : arrays) {
        const std::uint32_t arrayOid = nextOid++;
        out << ", {\"oid\": " << arrayOid << ", \"type\": 224, \"parents\": [" << arrayParent
            << "]}";
        for (const Module& module : array) {
            out << ", {\"oid\": " << nextOid++ << ", \"type\": 225, \"parents\": [" << arrayOid
                << "]" << (module.unreadable ? ", \"unreadable\": true" : "")
                << ", \"fields\": [{\"at\": 24, \"u32\": " << module.sizeKB
                << "}, {\"at\": 76, \"u32\": " << module.mode << "}";
            if (module.brokenNames)
                out << ", {\"at\": 68, \"u32\": 5000}, {\"at\": 72, \"u32\": 3}]}";
            else
                out << ", {\"at\": 72, \"utf8\": " << quoted(module.first)
                    << "}, {\"at\": 68, \"utf8\": " << quoted(module.second) << "}]}";
        }
    }
    if (eccLogging)
        out << ", {\"oid\": " << nextOid++ << ", \"type\": 233, \"parents\": [2], \"fields\": "
            << "[{\"at\": 16, \"u8\": " << *eccLogging << "}]}";
    if (config)
        out << ", {\"oid\": " << nextOid++ << ", \"type\": 232, \"parents\": [2], \"fields\": "
            << "[{\"at\": 16, \"u8\": " << config->at(0)
            << "}, {\"at\": 17, \"u8\": " << config->at(1)
            << "}, {\"at\": 18, \"u8\": " << config->at(2) << "}]}";
    if (pageFileKB)
        out << ", {\"oid\": " << nextOid++ << ", \"type\": 146, \"parents\": [2], \"fields\": "
            << "[{\"at\": 16, \"u32\": 1}, {\"at\": 28, \"u32\": " << *pageFileKB
            << "}, {\"at\": 36, \"u32\": 6}]}";
    for (int i = 0; i < processors; ++i)
        out << ", {\"oid\": " << nextOid++ << ", \"type\": 210, \"parents\": [2]}";
    out << "]}";
    return out.str();
}

Machine twoByTwo() {
    Machine machine;
    machine.arrays = {{{"DIMM", "A1", 131072}, {"DIMM", "A2", 131072}},
                      {{"DIMM", "B1", 131072}, {"DIMM", "B2", 131072}}};
    return machine;
}

} // namespace orbisk_test
