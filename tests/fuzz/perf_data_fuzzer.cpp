// Feeds arbitrary bytes to the performance-data parsers: the first byte
// chooses whether instance ids are asked for and how many instances are
// examined; the rest is the block (and, separately, a counter-name list).
#include "perf_data.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    const uint8_t options = data[0];
    const uint8_t* body = data + 1;
    const std::size_t bodySize = size - 1;
    // Exactly the body, so that any read beyond it is caught.
    std::vector<uint8_t> block(body, body + bodySize);

    kor::perf::ObjectQuery query;
    query.objectIndex = 230;
    if (options & 1)
        query.idCounterIndex = 784;
    query.maxInstances = (options & 2) ? 255 : 3;
    std::vector<kor::perf::Instance> instances;
    kor::perf::parseObjectInstances(block.data(), block.size(), query, instances);

    kor::perf::findCounterIndex(reinterpret_cast<const char*>(block.data()), block.size(),
                                "process");
    return 0;
}
