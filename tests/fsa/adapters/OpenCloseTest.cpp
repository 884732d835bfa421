#include "SimFixture.h"

#include "Context.h"
#include "FsaMessages.h"
#include "HandleTable.h"
#include "OsSync.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using fsatest::narrow;
using fsatest::SimTest;

// Whether a process other than this one holds the adapter's lock file:
// asked from a forked child that only makes system calls.
bool lockHeldByAnotherProcess(const char* path = "/tmp/.qor0lock") {
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(path, O_RDONLY);
        if (fd < 0)
            ::_exit(2);
        struct flock fl {};
        fl.l_type = F_RDLCK;
        fl.l_whence = SEEK_SET;
        fl.l_len = 1;
        ::_exit(::fcntl(fd, F_GETLK, &fl) == 0 && fl.l_type != F_UNLCK ? 1 : 0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 1;
}

TEST_F(SimTest, OpenFillsTheGeneralInformationAndCloseReleasesEverything) {
    void* h = open();
    ASSERT_NE(h, nullptr);
    FSA_GENERAL_INFO g;
    FsaGetGeneralInformation(h, &g);
    EXPECT_EQ(narrow(g.adapterName), "qor0");
    EXPECT_EQ(narrow(g.hostName), ".");
    EXPECT_EQ(g.libraryVersion.buildNumber, 4944u);
    EXPECT_EQ(g.firmwareVersion.buildNumber, 4944u);
    EXPECT_EQ(g.fileSysDriverVersion.buildNumber, 4944u);
    EXPECT_EQ(g.adapterType, 11u);
    EXPECT_EQ(g.ownerIdLow, 4660u);
    EXPECT_EQ(g.highestContainerNumber, 3u);
    EXPECT_EQ(g.firstHiddenContainer, 24u);
    EXPECT_EQ(g.channelCount, 2u);
    EXPECT_EQ(g.maxTargetId, 15u);
    EXPECT_EQ(g.maxContainerMembers, 32u);
    EXPECT_EQ(g.minKindMemberLimit, 12u);
    EXPECT_EQ(g.minChunkSize, 16u * 512);
    EXPECT_EQ(g.pciBus, 3);
    EXPECT_EQ(g.pciSlot, 7);
    EXPECT_EQ(g.constant30, 30u);
    EXPECT_EQ(g.minContainerSize, 0xA00000u);
    EXPECT_EQ(g.accessMode, 1u);
    EXPECT_EQ(g.oemFlavor, 4u);
    EXPECT_TRUE(lockHeldByAnotherProcess());
    EXPECT_EQ(sim.openChannelCount(), 1u);

    EXPECT_EQ(FsaCloseAdapter(h), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaCloseAdapter(h), FSA_STS_INVALID_HANDLE);
    EXPECT_EQ(sim.openNodeCount(), 0u);
    EXPECT_EQ(sim.openChannelCount(), 0u);
    EXPECT_FALSE(lockHeldByAnotherProcess());
    EXPECT_EQ(UtilHandleCount(), 0u);
}

TEST_F(SimTest, DefaultGeneralInformationWithoutAdapter) {
    FSA_GENERAL_INFO g;
    FsaGetGeneralInformation(nullptr, &g);
    EXPECT_EQ(g.libraryVersion.buildNumber, 4944u);
    std::uint32_t external;
    std::memcpy(&external, &g.libraryVersion, 4);
    EXPECT_EQ(external, 0x02070401u);
    EXPECT_EQ(narrow(g.adapterTypeText), "No Information");
    EXPECT_EQ(g.oemFlavor, 3u);
    EXPECT_EQ(g.osType, 5u);
    EXPECT_EQ(g.channelCount, 0u);
}

struct RefusedOpen {
    const char* what;
    std::function<void(qorsim::Adapter&)> change;
    unsigned appBuild;
    FSA_STATUS expected;
};

TEST_F(SimTest, RefusedOpensLeaveNothingBehind) {
    const RefusedOpen cases[] = {
        {"application too old", [](qorsim::Adapter&) {}, 2119, FSA_STS_APP_TOO_OLD},
        {"controller refuses the library", [](qorsim::Adapter& a) { a.firmwareCompatible = false; },
         4970, FSA_STS_LIBRARY_TOO_OLD_FOR_ADAPTER},
        {"controller software too old", [](qorsim::Adapter& a) { a.firmware.build = 2119; }, 4970,
         FSA_STS_ADAPTER_SW_TOO_OLD},
        {"driver refuses the library", [](qorsim::Adapter& a) { a.driverCompatible = false; }, 4970,
         FSA_STS_MINIPORT_DRV_TOO_NEW},
        {"driver too old", [](qorsim::Adapter& a) { a.driver.build = 2119; }, 4970,
         FSA_STS_MINIPORT_DRV_TOO_OLD},
        {"adapter paused", [](qorsim::Adapter& a) { a.paused = true; }, 4970,
         FSA_STS_CANNOT_OPEN_PAUSED},
        {"node refuses the caller", [](qorsim::Adapter& a) { a.accessDenied = true; }, 4970,
         FSA_STS_UX_AUTH_REQUIRED},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sim.load(fsatest::kTwoAdapters);
        sim.update(0, c.change);
        void* h = reinterpret_cast<void*>(1);
        EXPECT_EQ(FsaOpenAdapter2("qor0", nullptr, c.appBuild, FSA_ACC_READ_WRITE,
                                  FSA_CONNECTION_LOCAL, nullptr, nullptr, &h, nullptr),
                  c.expected);
        EXPECT_EQ(h, nullptr);
        EXPECT_EQ(UtilHandleCount(), 0u);
        EXPECT_EQ(sim.openNodeCount(), 0u);
        EXPECT_EQ(sim.openChannelCount(), 0u);
        EXPECT_FALSE(lockHeldByAnotherProcess());
    }
}

TEST_F(SimTest, AdapterNamesAndHosts) {
    const struct {
        const char* name;
        FSA_STATUS expected;
    } cases[] = {
        {"qor2", FSA_STS_SUCCESS},
        {"QOR2", FSA_STS_SUCCESS},
        {"\\\\.\\qor2", FSA_STS_SUCCESS},
        {"\\qor2", FSA_STS_SUCCESS},
        {"qor5", FSA_STS_NO_ADAPTER},
        {"rzc0", FSA_STS_UX_INVALID_ADAPTER_TYPE},
        {"qor16", FSA_STS_UX_INVALID_ADAPTER_TYPE},
        {"qor2x", FSA_STS_UX_INVALID_ADAPTER_TYPE},
        {"qor02", FSA_STS_UX_INVALID_ADAPTER_TYPE},
        {" qor2", FSA_STS_INVALID_ADAPTER_NAME},
        {"\\\\elsewhere\\qor2", FSA_STS_NOT_AVAILABLE_ON_OS},
        {"", FSA_STS_INVALID_ADAPTER_NAME},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        void* h = nullptr;
        EXPECT_EQ(FsaOpenAdapter2(c.name, nullptr, 4970, FSA_ACC_READ_ONLY, FSA_CONNECTION_LOCAL,
                                  nullptr, nullptr, &h, nullptr),
                  c.expected);
        if (h) {
            EXPECT_EQ(FsaCloseAdapter(h), FSA_STS_SUCCESS);
        }
        EXPECT_EQ(UtilHandleCount(), 0u);
        EXPECT_EQ(sim.openNodeCount(), 0u);
    }
}

TEST_F(SimTest, ReadWriteLockIsSharedWithinTheProcessUntilTheLastClose) {
    void* first = open();
    void* second = open();
    EXPECT_NE(first, second);
    EXPECT_EQ(FsaCloseAdapter(first), FSA_STS_SUCCESS);
    EXPECT_TRUE(lockHeldByAnotherProcess());
    EXPECT_EQ(FsaCloseAdapter(second), FSA_STS_SUCCESS);
    EXPECT_FALSE(lockHeldByAnotherProcess());
}

TEST_F(SimTest, HandlesCountUpAndAreNeverReused) {
    void* a = open("qor0", FSA_ACC_READ_ONLY);
    void* b = open("qor2", FSA_ACC_READ_ONLY);
    EXPECT_EQ(UtilValueFromHandle(b), UtilValueFromHandle(a) + 1);
    FsaCloseAdapter(a);
    void* c = open("qor0", FSA_ACC_READ_ONLY);
    EXPECT_EQ(UtilValueFromHandle(c), UtilValueFromHandle(b) + 1);
    FsaCloseAdapter(b);
    FsaCloseAdapter(c);
}

TEST_F(SimTest, AccessGuardsOfTheFrame) {
    void* ro = open("qor0", FSA_ACC_READ_ONLY);
    void* unknown = open("qor2", FSA_ACC_UNKNOWN);
    _FIB fib{};
    EXPECT_EQ(FsaSendReceiveFib(ro, &fib), FSA_STS_NEEDS_LOW_LEVEL);
    EXPECT_EQ(FsaTask(ro, 7, 0), FSA_STS_NEEDS_READ_WRITE);
    unsigned count = 0;
    EXPECT_EQ(FsaGetTaskList(unknown, nullptr, nullptr, nullptr, &count, 0),
              FSA_STS_NEEDS_READ_ONLY);
    EXPECT_EQ(FsaGetTaskList(nullptr, nullptr, nullptr, nullptr, &count, 0),
              FSA_STS_INVALID_HANDLE);
    FSA_GENERAL_INFO g;
    EXPECT_EQ(FsaGetGeneralInformationEx(ro, 1, &g), FSA_STS_NO_ADAPTER);
    EXPECT_EQ(FsaGetGeneralInformationEx(ro, 0, &g), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaGetFileSystemData(ro, nullptr, nullptr, nullptr), FSA_STS_NOT_AVAILABLE_ON_OS);
    unsigned serials[2] = {};
    EXPECT_EQ(FsaGetClusteredAdapters(ro, &count, serials, 4), FSA_STS_SUCCESS);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(serials[0], 4660u);
    EXPECT_EQ(FsaGetClusteredAdapters(ro, &count, serials, 0), FSA_STS_BUFFER_TOO_SMALL);
    FsaCloseAdapter(ro);
    FsaCloseAdapter(unknown);
}

TEST_F(SimTest, RawFibReachesTheDriverWithTheSendPathHeader) {
    void* h = open();
    sim.clearJournal();
    _FIB fib{};
    fib.XferState = 33;
    fib.Command = 704;
    fib.StructType = 1;
    fib.Size = 4;
    fib.SenderSize = 7;
    fib.SenderData = 99;
    ASSERT_EQ(FsaSendReceiveFib(h, &fib), FSA_STS_SUCCESS);
    const auto journal = sim.journal();
    ASSERT_EQ(journal.size(), 1u);
    const auto& sent = journal[0].fib;
    _FIB header;
    std::memcpy(&header, sent.data(), sizeof header);
    EXPECT_EQ(header.XferState, 0x100001u);
    EXPECT_EQ(header.StructType, 1);
    EXPECT_EQ(header.SenderSize, 512);
    EXPECT_EQ(header.SenderData, 0u);
    EXPECT_EQ(journal[0].fibCommand, 704);
    FsaCloseAdapter(h);
}

std::string errorText(FSA_STATUS status) {
    char text[FSA_ERROR_TEXT_SIZE] = {};
    FsaGetErrorTextA(status, text);
    return text;
}

// The slot's text: the format applied to the values, cut to the slot's length.
std::string expectedSlot(const char* format, std::size_t slotLength, const char* call, int err) {
    char text[640];
    if (call)
        std::snprintf(text, sizeof text, format, call, err, std::strerror(err));
    else
        std::snprintf(text, sizeof text, format, err, std::strerror(err));
    return std::string(text).substr(0, slotLength);
}

TEST_F(SimTest, DriverFailureIsReturnedWithItsDetails) {
    void* h = open();
    qorsim::Fault fault;
    fault.request = qorsim::kSendFib;
    fault.error = EIO;
    sim.inject(fault);
    _FIB fib{};
    fib.Command = 704;
    fib.Size = 4;
    EXPECT_EQ(FsaSendReceiveFib(h, &fib), FSA_STS_UX_IOCTL_FAILED);
    EXPECT_EQ(errorText(FSA_STS_UX_IOCTL_FAILED),
              expectedSlot(
                  "The driver could not execute the requested IOCTL %.25s, %3d=%.30s.",
                  std::strlen(
                      "The driver could not execute the requested IOCTL sssssssssssssssssssssssss, "
                      "nnn=ssssssssssssssssssssssssssssss."),
                  "SENDFIB", EIO));
    FsaCloseAdapter(h);
}

TEST_F(SimTest, LockFileFailureIsReturnedWithItsDetails) {
    qorsim::Fault fault;
    fault.call = qorsim::Call::Open;
    fault.path = ".qor0lock";
    fault.error = EACCES;
    fault.times = -1;
    sim.inject(fault);
    void* h = nullptr;
    EXPECT_EQ(FsaOpenAdapter2("qor0", nullptr, 4970, FSA_ACC_READ_WRITE, FSA_CONNECTION_LOCAL,
                              nullptr, nullptr, &h, nullptr),
              FSA_STS_UX_LOCK_OPEN_FAILED);
    EXPECT_EQ(
        errorText(FSA_STS_UX_LOCK_OPEN_FAILED),
        expectedSlot(
            "Failed to open adapter lock file, %3d=%.30s.",
            std::strlen("Failed to open adapter lock file, nnn=ssssssssssssssssssssssssssssss."),
            nullptr, EACCES));
    EXPECT_EQ(sim.openNodeCount(), 0u);
    EXPECT_EQ(UtilHandleCount(), 0u);
    // A read-only open never needs the lock.
    sim.clearFaults();
    void* ro = open("qor0", FSA_ACC_READ_ONLY);
    EXPECT_EQ(FsaCloseAdapter(ro), FSA_STS_SUCCESS);
}

TEST_F(SimTest, LockFileIsCreatedWithItsPathAndMode) {
    ::unlink("/tmp/.qor2lock");
    void* h = open("qor2");
    struct stat st;
    ASSERT_EQ(::lstat("/tmp/.qor2lock", &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 0777, 0666u);
    char text[64] = {};
    const int fd = ::open("/tmp/.qor2lock", O_RDONLY);
    ASSERT_GE(fd, 0);
    EXPECT_GT(::read(fd, text, sizeof text - 1), 0);
    ::close(fd);
    EXPECT_STREQ(text, "/tmp/.qor2lock");
    FsaCloseAdapter(h);
    EXPECT_EQ(::access("/tmp/.qor2lock", F_OK), 0); // lock files stay
}

TEST_F(SimTest, LockFileThroughASymbolicLinkIsRefused) {
    ::unlink("/tmp/.qor2lock");
    ASSERT_EQ(::symlink("/tmp/elsewhere", "/tmp/.qor2lock"), 0);
    void* h = nullptr;
    EXPECT_EQ(FsaOpenAdapter2("qor2", nullptr, 4970, FSA_ACC_READ_WRITE, FSA_CONNECTION_LOCAL,
                              nullptr, nullptr, &h, nullptr),
              FSA_STS_UX_LOCK_OPEN_FAILED);
    EXPECT_NE(::access("/tmp/elsewhere", F_OK), 0);
    ::unlink("/tmp/.qor2lock");
}

} // namespace

namespace {

struct Nested {
    void* handle;
    FSA_STATUS inner = FSA_STS_FAILURE;
    static int callback(void* handle, std::uint32_t bit, FSA_EVENT_DETAILS*, void* user) {
        auto* self = static_cast<Nested*>(user);
        if (bit == 0x1) {
            unsigned count = 0;
            self->inner = FsaGetTaskList(handle, nullptr, nullptr, nullptr, &count, 0);
        }
        return 1;
    }
};

TEST_F(SimTest, NestedCallOfTheSameThreadKeepsTheOuterHold) {
    void* h = open();
    FSAAPI_CONTEXT* ctx = UtilGetContextFromHandle(h).get();
    Nested nested{h};
    // The registration event is delivered inside the registering call.
    ASSERT_EQ(FsaRegisterGeneralCallback(h, 0x1, Nested::callback, &nested), FSA_STS_SUCCESS);
    EXPECT_EQ(nested.inner, FSA_STS_SUCCESS);
    EXPECT_EQ(ctx->inCall, 0);
    // The wrapper lock is free again: another thread gets through at once.
    std::thread other([h] {
        unsigned count = 0;
        EXPECT_EQ(FsaGetTaskList(h, nullptr, nullptr, nullptr, &count, 0), FSA_STS_SUCCESS);
    });
    other.join();
    FsaCloseAdapter(h);
}

TEST_F(SimTest, UtilityContextTakesNoLockAndClusterManagersPassThePartnerGuard) {
    void* utility = open("qor0", FSA_ACC_UTILITY);
    FSAAPI_CONTEXT* u = UtilGetContextFromHandle(utility).get();
    faos_WaitForAndGetMutex(u->wrapperMutex); // held here: a locking call would wait
    std::thread other([utility] {
        unsigned count = 0;
        EXPECT_EQ(FsaGetTaskList(utility, nullptr, nullptr, nullptr, &count, 0), FSA_STS_SUCCESS);
    });
    other.join();
    faos_ReleaseMutex(u->wrapperMutex);
    EXPECT_EQ(u->inCall, 0);

    void* manager = open("qor2", FSA_RZC_CLUSTER_MANAGER);
    FSAAPI_CONTEXT* m = UtilGetContextFromHandle(manager).get();
    for (FSAAPI_CONTEXT* ctx : {u, m}) {
        ctx->adapterCount = 2; // a partner that came online
        ctx->adapters[1] = ctx->adapters[0];
        ctx->partnerCameOnline = 1;
    }
    unsigned count = 0;
    EXPECT_EQ(FsaGetTaskList(utility, nullptr, nullptr, nullptr, &count, 0),
              FSA_STS_PARTNER_CAME_ONLINE);
    EXPECT_EQ(FsaGetTaskList(manager, nullptr, nullptr, nullptr, &count, 0), FSA_STS_SUCCESS);
    for (FSAAPI_CONTEXT* ctx : {u, m})
        ctx->adapterCount = 1;
    FsaCloseAdapter(utility);
    FsaCloseAdapter(manager);
}

TEST_F(SimTest, RefusedRawFibSendsNothing) {
    void* ro = open("qor0", FSA_ACC_READ_ONLY);
    sim.clearJournal();
    _FIB fib{};
    fib.Command = 704;
    EXPECT_EQ(FsaSendReceiveFib(ro, &fib), FSA_STS_NEEDS_LOW_LEVEL);
    for (const auto& e : sim.journal())
        EXPECT_NE(e.request, qorsim::kSendFib);
    FsaCloseAdapter(ro);
}

} // namespace
