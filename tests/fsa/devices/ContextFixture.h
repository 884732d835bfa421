#pragma once

// An opened simulated adapter and its context, for checks and helpers that
// run inside an exported call.

#include "Context.h"
#include "HandleTable.h"
#include "PckServices.h"
#include "SimFixture.h"

#include <cerrno>
#include <functional>

namespace fsatest {

class ContextTest : public OpenAdapterTest {
protected:
    void SetUp() override {
        OpenAdapterTest::SetUp();
        ASSERT_NE(handle, nullptr);
    }
    void TearDown() override {
        PCK_ResetServices();
        OpenAdapterTest::TearDown();
    }
    FSAAPI_CONTEXT* ctx() const { return UtilGetContextFromHandle(handle).get(); }

    // The status `work` throws, or 1 when it returns.
    static std::uint32_t thrown(const std::function<void()>& work) {
        try {
            work();
        } catch (FSA_STATUS s) {
            return s;
        }
        return FSA_STS_SUCCESS;
    }

    // Fails the next `times` requests of one container command, SCSI
    // sub-operation or event request with EIO.
    enum class On { Container, Scsi, Aif };
    void failNext(On kind, int code, int times = 1, int skip = 0) {
        qorsim::Fault f;
        (kind == On::Container ? f.ctCommand
         : kind == On::Scsi    ? f.scsiOperation
                               : f.aifRequest) = code;
        f.error = EIO;
        f.times = times;
        f.skip = skip;
        sim.inject(f);
    }
};

} // namespace fsatest
