#pragma once
// Registers the shell's callbacks with the in-process host and clears the
// host and the script before each test.

#include <gtest/gtest.h>

#include <cstdlib>

#include "HostDapi2/HostShell.h"
#include "dapi2.h"
#include "dapi2_control.h"

class HostFixture : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* name :
             {"TESTDIAG_DEVICES", "TESTDIAG_TESTS", "TESTDIAG_NUMBER_OF_TESTS",
              "TESTDIAG_INIT_FAILED", "TEST_DEV", "DIAGLOG", "DEBUG_ENUM", "DEBUG_DIAG"})
            unsetenv(name);
        setenv("TESTDIAG_STEPS", "2", 1);
        setenv("TESTDIAG_STEP_MS", "1", 1);
        setenv("TESTDIAG_SECOND_MS", "1", 1);
        dapi2_control::reset();
        m_registration = Dapi2_CreateRegistrationStructure();
        ASSERT_NE(m_registration, nullptr);
        Dapi2_AddRegistrationStructureCallback(
            m_registration, DAPI2_CALLBACK_ENUMERATE,
            reinterpret_cast<Dapi2Callback>(&VarnDiags::HostDapi2::VarnFrameworkEnumFunction));
        Dapi2_AddRegistrationStructureCallback(
            m_registration, DAPI2_CALLBACK_RUN,
            reinterpret_cast<Dapi2Callback>(&VarnDiags::HostDapi2::VarnFrameworkDiagFunction));
    }
    void TearDown() override { Dapi2_FreeRegistrationStructure(m_registration); }

    tag_DapiRegistration* m_registration = nullptr;
};
