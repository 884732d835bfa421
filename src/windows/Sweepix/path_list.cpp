#include "path_list.h"

#include "entry_parts.h"

void splitPathList(std::vector<std::string>& list, const std::string& value) {
    std::size_t start = 0;
    while (start < value.size()) {
        std::size_t semicolon = value.find(';', start);
        std::size_t end = semicolon == std::string::npos ? value.size() : semicolon;
        if (end > start)
            list.push_back(value.substr(start, end - start));
        start = end + 1;
    }
}

std::string joinPathList(const std::vector<std::string>& list) {
    std::string joined;
    for (const auto& item : list) {
        if (item.empty())
            continue;
        if (!joined.empty())
            joined += ';';
        joined += item;
    }
    return joined;
}

bool clearPathItem(std::vector<std::string>& list, const std::string& item) {
    bool cleared = false;
    for (auto& existing : list) {
        if (!existing.empty() && equalsIgnoringCase(existing, item)) {
            existing.clear();
            cleared = true;
        }
    }
    return cleared;
}
