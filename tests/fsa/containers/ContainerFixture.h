#pragma once

// A simulated adapter opened for the whole test with its context, and what
// the container tests ask of the controller's journal.

#include "FsaApi.h"
#include "HandleTable.h"
#include "SimFixture.h"

#include <functional>

namespace fsatest {

class ContainerTest : public OpenAdapterTest {
protected:
    void SetUp() override {
        OpenAdapterTest::SetUp();
        ctx = UtilGetContextFromHandle(handle).get();
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
    FSAAPI_CONTEXT* ctx = nullptr;
};

} // namespace fsatest
