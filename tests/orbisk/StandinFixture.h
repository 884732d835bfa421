// A fixture that loads a machine into the data manager stand-in and checks,
// after each test, that every object the data manager handed out was freed.
#pragma once

#include <gtest/gtest.h>

#include "Machine.h"
#include "smil/smil_standin.h"

namespace orbisk_test {

class StandinTest : public ::testing::Test {
protected:
    void load(const Machine& machine) {
        smil_standin::reset();
        smil_standin::loadJson(machine.json());
    }
    void SetUp() override { smil_standin::reset(); }
    void TearDown() override {
        EXPECT_EQ(smil_standin::liveObjects(), 0u) << "unfreed data manager objects";
        EXPECT_EQ(smil_standin::badFrees(), 0u);
        smil_standin::reset();
    }
};

} // namespace orbisk_test
