#include "process_table.h"

#include "perf_data_reader.h"
#include "process_source.h"

#include <cstring>
#include <vector>

namespace haltrix {

std::size_t CollectProcessList(ProcessEntry* table, std::size_t capacity) {
    if (capacity == 0)
        return 0;
    std::vector<ListedProcess> processes;
    if (!listProcesses(processes, capacity - 1))
        return 0;
    std::size_t count = processes.size() < capacity - 1 ? processes.size() : capacity - 1;
    static const char kExtension[] = ".exe";
    for (std::size_t i = 0; i < count; ++i) {
        ProcessEntry& entry = table[i];
        entry.matched = 0;
        std::memset(entry.name, 0, sizeof entry.name);
        std::string name;
        if (!kor::perf::toCodePage(processes[i].name, kNameBytes, name))
            std::strcpy(entry.name, "unknown");
        else if (name.size() + sizeof kExtension <= kNameBytes)
            std::memcpy(entry.name, (name + kExtension).c_str(), name.size() + sizeof kExtension);
        entry.processId = processes[i].id != 0 ? processes[i].id : kNoProcessId;
    }
    return count;
}

} // namespace haltrix
