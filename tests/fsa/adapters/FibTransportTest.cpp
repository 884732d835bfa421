// The transport a context's FIBs take, and every exchange following it: the
// send in both modes, the synchronous send, the wait for an adapter event and
// the exported driver call, for each connection type and simulator kind.
#include "DriverRequests.h"
#include "FibSend.h"
#include "HandleTable.h"
#include "SimFixture.h"

#include <ostream>
#include <string>

namespace {

using fsatest::SimTest;

// An answer that was thrown is told apart from one that was returned.
struct Outcome {
    bool thrown;
    long value;
    bool operator==(const Outcome& o) const { return thrown == o.thrown && value == o.value; }
};
Outcome returned(long v) {
    return {false, v};
}
Outcome thrown(FSA_STATUS s) {
    return {true, s};
}
std::ostream& operator<<(std::ostream& os, const Outcome& o) {
    return os << (o.thrown ? "thrown " : "returned ") << o.value;
}

template <class Call> Outcome outcomeOf(Call call) {
    try {
        return returned(call());
    } catch (FSA_STATUS s) {
        return thrown(s);
    }
}

struct Case {
    std::uint32_t connection;
    std::uint32_t simulatorKind;
    FibTransport transport;
    FSA_STATUS send;         // returned without the throw flag, thrown with it unless 1
    FSA_STATUS synchSend;    // always thrown
    Outcome waitWhenStopped; // the context's receive-stop flag set
    FSA_STATUS driverCall;
    bool reachesDriver; // the FIB send is a request to the device node
};

constexpr FSA_STATUS kNotOnOs = FSA_STS_NOT_AVAILABLE_ON_OS;
constexpr FSA_STATUS kBadKind = FSA_STS_INVALID_SIMULATOR_KIND;
constexpr FSA_STATUS kBadConnection = FSA_STS_INVALID_CONNECTION_TYPE;

const Case kCases[] = {
    {FSA_CONNECTION_LOCAL, 0, FibTransport::Driver, FSA_STS_SUCCESS, FSA_STS_NOT_IMPLEMENTED,
     returned(0), kNotOnOs, true},
    {FSA_CONNECTION_LOCAL, 1, FibTransport::Simulator, kNotOnOs, kNotOnOs, thrown(kNotOnOs),
     FSA_STS_NOT_SUPPORTED, false},
    {FSA_CONNECTION_LOCAL, 2, FibTransport::UnknownSimulatorKind, kBadKind, kBadKind, returned(0),
     kBadKind, false},
    {FSA_CONNECTION_LOCAL, 0xFFFFFFFF, FibTransport::UnknownSimulatorKind, kBadKind, kBadKind,
     returned(0), kBadKind, false},
    // A remote context has no simulator: its kind is not looked at.
    {FSA_CONNECTION_REMOTE, 0, FibTransport::Remote, kNotOnOs, kNotOnOs, returned(0), kNotOnOs,
     false},
    {FSA_CONNECTION_REMOTE, 7, FibTransport::Remote, kNotOnOs, kNotOnOs, returned(0), kNotOnOs,
     false},
    {2, 0, FibTransport::UnknownConnectionType, kBadConnection, kBadConnection, returned(0),
     kBadConnection, false},
    {2, 1, FibTransport::UnknownConnectionType, kBadConnection, kBadConnection, returned(0),
     kBadConnection, false},
};

// An adapter opened without a receive thread, so that nothing else reads the
// context while a case rewrites its transport fields.
class FibTransportTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        handle = open("qor0", FSA_ACC_LL_READ_WRITE);
        ctx = UtilGetContextFromHandle(handle).get();
        ASSERT_NE(ctx, nullptr);
    }
    void TearDown() override {
        ctx->connectionType = FSA_CONNECTION_LOCAL;
        ctx->simulatorKind = 0;
        ctx->aifStop.store(false);
        FsaCloseAdapter(handle);
        SimTest::TearDown();
    }
    void use(const Case& c) {
        ctx->connectionType = c.connection;
        ctx->simulatorKind = c.simulatorKind;
    }
    static _FIB pausedQuery() {
        _FIB fib;
        FsaInitRequestFib(&fib, FIB_IS_ADAPTER_PAUSED, 4);
        return fib;
    }
    void* handle = nullptr;
    FSAAPI_CONTEXT* ctx = nullptr;
};

TEST_F(FibTransportTest, EveryExchangeFollowsTheOneTransportChoice) {
    for (const Case& c : kCases) {
        SCOPED_TRACE("connection " + std::to_string(c.connection) + ", simulator kind " +
                     std::to_string(c.simulatorKind));
        use(c);
        EXPECT_EQ(FsaFibTransportOf(ctx), c.transport);

        sim.clearJournal();
        _FIB fib = pausedQuery();
        EXPECT_EQ(outcomeOf([&] { return FsaInternalSendReceiveFib(ctx, &fib, 0); }),
                  returned(c.send));
        EXPECT_EQ(sim.journal().size(), c.reachesDriver ? 1u : 0u);
        fib = pausedQuery();
        EXPECT_EQ(outcomeOf([&] { return FsaInternalSendReceiveFib(ctx, &fib, 1); }),
                  c.send == FSA_STS_SUCCESS ? returned(c.send) : thrown(c.send));

        // Nothing succeeds synchronously on this platform.
        fib = pausedQuery();
        EXPECT_EQ(outcomeOf([&] { return FsaInternalSendReceiveSynchFib(ctx, &fib); }),
                  thrown(c.synchSend));

        ctx->aifStop.store(true);
        fib = pausedQuery();
        EXPECT_EQ(outcomeOf([&] { return InternalWaitAndGetAsyncFib(ctx, &fib); }),
                  c.waitWhenStopped);
        ctx->aifStop.store(false);

        EXPECT_EQ(FsaDeviceDriverCall(handle, 0, nullptr, 0, nullptr, 0, nullptr), c.driverCall);
    }
}

TEST_F(FibTransportTest, ARemoteWaitIsAskedOfTheNetworkOnlyWhileReceiving) {
    ctx->connectionType = FSA_CONNECTION_REMOTE;
    _FIB fib = pausedQuery();
    EXPECT_EQ(outcomeOf([&] { return InternalWaitAndGetAsyncFib(ctx, &fib); }), thrown(kNotOnOs));
    int received = 1;
    EXPECT_EQ(FsaSrvWaitAndGetAsyncFib(handle, &received, &fib), FSA_STS_CLIENT_CANCELLED);
    EXPECT_EQ(received, 0);
}

} // namespace
