#pragma once

// A simulated adapter opened for the whole test, and what the container
// tests ask of the controller's journal.

#include "FsaApi.h"
#include "HandleTable.h"
#include "SimFixture.h"

#include <functional>

namespace fsatest {

class OpenAdapterTest : public SimTest {
protected:
    virtual FSA_ACCESS access() const { return FSA_ACC_READ_WRITE; }
    void SetUp() override {
        SimTest::SetUp();
        handle = open("qor0", access());
        ctx = UtilGetContextFromHandle(handle).get();
    }
    void TearDown() override {
        FsaCloseAdapter(handle);
        SimTest::TearDown();
    }
    // The status `f` threw, or 1.
    static std::uint32_t thrown(const std::function<void()>& f) {
        try {
            f();
        } catch (FSA_STATUS s) {
            return s;
        }
        return FSA_STS_SUCCESS;
    }
    std::size_t ctCommands(int command) {
        std::size_t n = 0;
        for (const auto& e : sim.journal())
            n += e.ctCommand == command;
        return n;
    }
    void* handle = nullptr;
    FSAAPI_CONTEXT* ctx = nullptr;
};

} // namespace fsatest
