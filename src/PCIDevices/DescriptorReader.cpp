#include "PCIDevices/DescriptorReader.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

namespace VarnDiags::PCIDevices {
namespace {

bool isHexDigits(std::string_view field) {
    if (field.empty())
        return false;
    for (char c : field)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

bool parseUnsigned(std::string_view field, int base, unsigned long& value) {
    std::string digits(field);
    errno = 0;
    char* end = nullptr;
    value = std::strtoul(digits.c_str(), &end, base);
    return errno == 0 && end == digits.c_str() + digits.size();
}

} // namespace

bool DescriptorReader::next(std::string_view& field) {
    if (!m_ok)
        return false;
    std::size_t bar = m_rest.find('|');
    if (bar == std::string_view::npos)
        return m_ok = false;
    field = m_rest.substr(0, bar);
    m_rest.remove_prefix(bar + 1);
    return true;
}

bool DescriptorReader::text(std::string& value) {
    std::string_view field;
    if (!next(field))
        return false;
    value.assign(field);
    return true;
}

bool DescriptorReader::decimal(int& value) {
    std::string_view field;
    if (!next(field))
        return false;
    std::string digits(field);
    bool sign = !digits.empty() && (digits[0] == '-' || digits[0] == '+');
    if (digits.size() == (sign ? 1u : 0u) ||
        digits.find_first_not_of("0123456789", sign ? 1 : 0) != std::string::npos)
        return m_ok = false;
    errno = 0;
    long parsed = std::strtol(digits.c_str(), nullptr, 10);
    if (errno != 0 || parsed < INT_MIN || parsed > INT_MAX)
        return m_ok = false;
    value = static_cast<int>(parsed);
    return true;
}

bool DescriptorReader::unsignedDecimal(unsigned int& value) {
    std::string_view field;
    unsigned long parsed = 0;
    if (!next(field) || field.empty() ||
        field.find_first_not_of("0123456789") != std::string_view::npos ||
        !parseUnsigned(field, 10, parsed) || parsed > UINT_MAX)
        return m_ok = false;
    value = static_cast<unsigned int>(parsed);
    return true;
}

bool DescriptorReader::hex32(int& value) {
    std::string_view field;
    if (!next(field) || !isHexDigits(field))
        return m_ok = false;
    // The descriptor format reads these fields saturating, not wrapping:
    // "ffffffff", the writer's -1, reads back as INT_MAX.
    unsigned long parsed = 0;
    if (!parseUnsigned(field, 16, parsed) || parsed > static_cast<unsigned long>(INT_MAX))
        parsed = INT_MAX;
    value = static_cast<int>(parsed);
    return true;
}

bool DescriptorReader::hexAddress(unsigned long& value) {
    std::string_view field;
    if (!next(field) || !isHexDigits(field) || !parseUnsigned(field, 16, value))
        return m_ok = false;
    return true;
}

} // namespace VarnDiags::PCIDevices
