// The shipped process source: the "Process" object of the performance data,
// with each instance's "ID Process" counter.
#include "process_source.h"

#include "perf_data.h"
#include "perf_data_reader.h"

namespace haltrix {

bool listProcesses(std::vector<ListedProcess>& out, std::size_t limit) {
    out.clear();
    std::string error;
    std::optional<kor::perf::CounterIndex> processIndex, idIndex;
    {
        std::vector<char> names;
        if (!kor::perf::readCounterNames(names, error))
            return false;
        processIndex = kor::perf::findCounterIndex(names.data(), names.size(), "process");
        idIndex = kor::perf::findCounterIndex(names.data(), names.size(), "id process");
    }
    if (!processIndex || !idIndex)
        return false;
    std::vector<uint8_t> block;
    if (!kor::perf::readPerformanceData(processIndex->text, block, error))
        return false;
    kor::perf::ObjectQuery query;
    query.objectIndex = processIndex->value;
    query.idCounterIndex = idIndex->value;
    query.maxInstances = limit;
    std::vector<kor::perf::Instance> instances;
    if (kor::perf::parseObjectInstances(block.data(), block.size(), query, instances) !=
        kor::perf::ParseStatus::Ok)
        return false;
    for (auto& instance : instances)
        out.push_back({std::move(instance.name), instance.processId});
    return true;
}

} // namespace haltrix
