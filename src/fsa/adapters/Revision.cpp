#include "Revision.h"

namespace {

constexpr std::uint32_t kExternal = 0x02070401;
constexpr std::uint32_t kBuild = 4944;

struct RevCompareRow {
    std::uint32_t a, b;
    unsigned long minAgainstB, minAgainstA;
};

const RevCompareRow RevCompareTable[] = {
    {1, 4, 2120, 2120}, {2, 4, 2120, 2120}, {2, 5, 257, 257},   {2, 6, 257, 257},
    {2, 7, 257, 257},   {4, 5, 2120, 2120}, {4, 6, 2120, 2120}, {4, 7, 2120, 2120},
    {4, 3, 2120, 2120}, {5, 6, 100, 100},   {5, 7, 257, 257},   {6, 7, 257, 257},
    {6, 8, 100, 100},   {4, 3, 2120, 2120}, {4, 9, 2120, 2120}, {3, 9, 2120, 2120},
};

} // namespace

bool RevCheckCompatibility(RevComponent own, RevComponent other, unsigned long otherBuild) {
    if (kBuild < otherBuild)
        return true;
    for (const auto& row : RevCompareTable) {
        if (row.a == own && row.b == other)
            return otherBuild >= row.minAgainstB;
        if (row.b == own && row.a == other)
            return otherBuild >= row.minAgainstA;
    }
    return false;
}

void RevGetFullRevision(FsaRevision* out) {
    *out = FsaRevision{kExternal, kBuild};
}
std::uint32_t RevGetExternalRev() {
    return kExternal;
}
std::uint32_t RevGetBuildNumber() {
    return kBuild;
}
