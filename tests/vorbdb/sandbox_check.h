// Tests that write /etc refuse to run outside tests/sandbox/kor-sandbox.
#pragma once

#include <fstream>
#include <string>

inline bool insideSandbox() {
    std::ifstream mounts("/proc/self/mountinfo");
    std::string line;
    while (std::getline(mounts, line))
        if (line.find(" /etc ") != std::string::npos &&
            line.find("kor-sandbox-etc") != std::string::npos)
            return true;
    return false;
}

#define ASSERT_INSIDE_SANDBOX()                                                                    \
    ASSERT_TRUE(insideSandbox()) << "this test writes /etc and must run inside "                   \
                                    "tests/sandbox/kor-sandbox"
