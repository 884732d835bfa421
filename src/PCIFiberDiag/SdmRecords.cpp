#include "PCIFiberDiag/SdmRecords.h"

#include <cstdio>

namespace VarnDiags::PCIFiberDiag {

std::string nodeWwnText(const NodeRecord& node) {
    char text[3 * 8];
    std::snprintf(text, sizeof text, "%02x %02x %02x %02x %02x %02x %02x %02x", node[NODE_WWN],
                  node[NODE_WWN + 1], node[NODE_WWN + 2], node[NODE_WWN + 3], node[NODE_WWN + 4],
                  node[NODE_WWN + 5], node[NODE_WWN + 6], node[NODE_WWN + 7]);
    return text;
}

std::string nodeDescription(const NodeRecord& node) {
    return recordText(node, NODE_DESCRIPTION_FIRST, NODE_DESCRIPTION_FIRST_MAX) + " " +
           recordText(node, NODE_DESCRIPTION_SECOND);
}

} // namespace VarnDiags::PCIFiberDiag
