#include "MemoryParameterList.h"

#include <cstdio>
#include <limits>

namespace VarnDiags::DeviceEnum {

namespace {

constexpr unsigned long MAX_MODULES = std::numeric_limits<short>::max();

} // namespace

std::string formatMemoryParameters(const MemoryParameters& parameters) {
    char head[48];
    std::snprintf(head, sizeof head, "%lu:%02zu:", parameters.totalKB, parameters.names.size());
    std::string text = head;
    for (std::size_t i = 0; i < parameters.names.size(); ++i) {
        if (i != 0)
            text += ':';
        text += parameters.names[i];
    }
    return text;
}

std::optional<unsigned long> leadingNumber(const std::string& text) {
    const std::string field = text.substr(0, text.find(':'));
    if (field.empty() || field.size() > 19)
        return std::nullopt;
    unsigned long value = 0;
    for (char c : field) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned long>(c - '0');
    }
    return value;
}

std::optional<MemoryParameters> parseMemoryParameters(const char* text) {
    if (text == nullptr)
        return std::nullopt;
    const std::string list = text;
    const std::size_t afterTotal = list.find(':');
    if (afterTotal == std::string::npos)
        return std::nullopt;
    const std::size_t afterCount = list.find(':', afterTotal + 1);
    if (afterCount == std::string::npos)
        return std::nullopt;
    const std::optional<unsigned long> total = leadingNumber(list);
    const std::optional<unsigned long> count =
        leadingNumber(list.substr(afterTotal + 1, afterCount - afterTotal - 1));
    if (!total || !count || *count > MAX_MODULES)
        return std::nullopt;

    MemoryParameters parameters;
    parameters.totalKB = *total;
    std::size_t at = afterCount + 1;
    for (unsigned long i = 0; i < *count; ++i) {
        if (at > list.size()) {
            parameters.names.emplace_back();
            continue;
        }
        const std::size_t end = i + 1 == *count ? std::string::npos : list.find(':', at);
        parameters.names.push_back(list.substr(at, end == std::string::npos ? end : end - at));
        at = end == std::string::npos ? list.size() + 1 : end + 1;
    }
    return parameters;
}

} // namespace VarnDiags::DeviceEnum
