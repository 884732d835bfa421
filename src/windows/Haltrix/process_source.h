// Where the terminator's process list comes from. The shipped program takes
// it from the performance data; a build for tests can link another source.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace haltrix {

struct ListedProcess {
    std::u16string name; // as the performance data names it: no path, no extension
    uint32_t id = 0;
};

// At most `limit` processes in the system's order; false when the listing failed.
bool listProcesses(std::vector<ListedProcess>& out, std::size_t limit);

} // namespace haltrix
