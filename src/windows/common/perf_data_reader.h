// Fetches the counter names and the performance data block from the system.
// Shared by the clean-up program's process list and the process terminator.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kor::perf {

// The "Counters" value of the English (009) perflib key. On failure `error`
// holds the text of the failed step.
bool readCounterNames(std::vector<char>& names, std::string& error);

// The performance data of the object named by `indexText`, checked for the
// "PERF" signature. On failure `error` holds the text of the failed step.
bool readPerformanceData(const std::string& indexText, std::vector<uint8_t>& block,
                         std::string& error);

// The query behind it: RegQueryValueExA of the performance-data key, with the
// block's capacity in `size` and the size answered there afterwards.
using PerfDataQuery = std::function<LONG(const char* valueName, uint8_t* data, DWORD* size)>;
// The same read through `query`.
bool readPerformanceData(const std::string& indexText, std::vector<uint8_t>& block,
                         std::string& error, const PerfDataQuery& query);

// The instance name converted to the system code page into a buffer of
// `capacity` bytes; false when it does not fit or cannot be converted.
bool toCodePage(const std::u16string& name, std::size_t capacity, std::string& out);

} // namespace kor::perf
