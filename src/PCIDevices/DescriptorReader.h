#pragma once
// Reads a "|"-ended field list one field at a time. Every read fails (and
// keeps failing) on a missing field or one that is not wholly the number
// asked for, so a short or malformed descriptor is noticed, never read
// past its end.

#include <string>
#include <string_view>

namespace VarnDiags::PCIDevices {

class DescriptorReader {
public:
    explicit DescriptorReader(std::string_view text) : m_rest(text) {}

    bool text(std::string& value);
    // Signed decimal that fits an int.
    bool decimal(int& value);
    // Unsigned decimal that fits 32 bits.
    bool unsignedDecimal(unsigned int& value);
    // Hex digits read as a signed 32-bit number that saturates: anything
    // above 7fffffff, "ffffffff" included, reads as 2147483647.
    bool hex32(int& value);
    // Hex digits that fit an unsigned long. Addresses keep their full value:
    // saturating them would move every address at or above 2 GiB.
    bool hexAddress(unsigned long& value);
    // True when every field was consumed and nothing failed.
    bool finished() const { return m_ok && m_rest.empty(); }
    bool ok() const { return m_ok; }

private:
    bool next(std::string_view& field);

    std::string_view m_rest;
    bool m_ok = true;
};

} // namespace VarnDiags::PCIDevices
