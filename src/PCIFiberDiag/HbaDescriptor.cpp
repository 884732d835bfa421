#include "PCIFiberDiag/HbaDescriptor.h"

#include <algorithm>
#include <climits>

#include "PCIDevices/DescriptorReader.h"
#include "PCIDevices/VarnComUtils.h"

namespace VarnDiags::PCIFiberDiag {
namespace {

std::string field(std::string text) {
    std::replace(text.begin(), text.end(), '|', '/');
    return text + "|";
}

std::string decimalField(unsigned short value) {
    char text[12];
    ComUtils::VarnComUtils::varn_itoa(value, text, 10);
    return field(text);
}

bool shortNumber(PCIDevices::DescriptorReader& reader, unsigned short& value) {
    unsigned int parsed = 0;
    if (!reader.unsignedDecimal(parsed) || parsed > USHRT_MAX)
        return false;
    value = static_cast<unsigned short>(parsed);
    return true;
}

} // namespace

std::string writeHbaDescriptor(const HbaIdentity& identity) {
    return decimalField(identity.bus) + decimalField(identity.deviceNumber) +
           decimalField(identity.typeCode) + field(identity.wwnText) + field(identity.name) +
           field(identity.description);
}

bool parseHbaDescriptor(const char* descriptor, HbaIdentity& identity) {
    if (descriptor == nullptr)
        return false;
    PCIDevices::DescriptorReader reader(descriptor);
    HbaIdentity parsed;
    if (!shortNumber(reader, parsed.bus) || !shortNumber(reader, parsed.deviceNumber) ||
        !shortNumber(reader, parsed.typeCode) || !reader.text(parsed.wwnText) ||
        !reader.text(parsed.name) || !reader.text(parsed.description) || !reader.finished() ||
        parsed.wwnText.empty())
        return false;
    identity = std::move(parsed);
    return true;
}

} // namespace VarnDiags::PCIFiberDiag
