#pragma once

// This library's revision and the compatibility rules between components.

#include <cstdint>

struct FsaRevision {
    std::uint32_t external;
    std::uint32_t build;
};

enum RevComponent : std::uint32_t {
    REV_APPLICATION = 1,
    REV_SERVICE_AGENT = 3,
    REV_LIBRARY = 4,
    REV_HOST_DRIVER = 6,
    REV_CONTROLLER = 7,
    REV_REMOTE_API = 9,
};

bool RevCheckCompatibility(RevComponent own, RevComponent other, unsigned long otherBuild);
void RevGetFullRevision(FsaRevision* out);
std::uint32_t RevGetExternalRev();
std::uint32_t RevGetBuildNumber();
