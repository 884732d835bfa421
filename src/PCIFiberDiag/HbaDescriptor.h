#pragma once
// The HBA's descriptor text, from which a device is rebuilt in a later call:
//
//   bus|deviceNumber|type|wwn|name|description|
//
// the three numbers in decimal. The number of ports is not part of it (the
// device learns it when it opens).

#include <string>

namespace VarnDiags::PCIFiberDiag {

struct HbaIdentity {
    unsigned short bus = 0;
    unsigned short deviceNumber = 0;
    unsigned short typeCode = 0;
    std::string wwnText;
    std::string name;
    std::string description;
};

// A "|" inside a text is written as "/", so it cannot shift later fields.
std::string writeHbaDescriptor(const HbaIdentity& identity);

// False (identity untouched) unless the text is exactly the six fields,
// the numbers fit 16 bits and the WWN text is not empty.
bool parseHbaDescriptor(const char* descriptor, HbaIdentity& identity);

} // namespace VarnDiags::PCIFiberDiag
