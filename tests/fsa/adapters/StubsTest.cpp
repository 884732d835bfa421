// Every entry point this platform lacks answers its fixed status, returned or
// thrown as its callers expect.
#include "Stubs.h"
#include "FsaApi.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

extern "C" {
FSA_STATUS FsaEnumHostsA(...);
FSA_STATUS FsaMailSetMailServerW(...);
FSA_STATUS FsaCreateCoreFileA(...);
FSA_STATUS FsaSetFibTimeoutEnable(...);
}

namespace {

enum class How { Returned, Thrown };

struct Stub {
    const char* name;
    std::function<FSA_STATUS()> call;
    FSA_STATUS answer;
    How how;
};

constexpr FSA_STATUS kNotOnOs = FSA_STS_NOT_AVAILABLE_ON_OS;
constexpr FSA_STATUS kNotImplemented = FSA_STS_NOT_IMPLEMENTED;
constexpr FSA_STATUS kNone = FSA_STS_SUCCESS; // what a row gives when its stub returns nothing

// What a stub answered and how: a status it returned, or one it threw.
std::pair<FSA_STATUS, How> answerOf(const Stub& s) {
    try {
        return {s.call(), How::Returned};
    } catch (FSA_STATUS thrown) {
        return {thrown, How::Thrown};
    }
}

const Stub kStubs[] = {
    {"SimulatorSendReceiveFib", [] { return SimulatorSendReceiveFib(nullptr, nullptr); }, kNotOnOs,
     How::Returned},
    {"NetworkSendReceiveFib", [] { return NetworkSendReceiveFib(nullptr, nullptr); }, kNotOnOs,
     How::Returned},
    {"faos_SendReceiveSynchFIB", [] { return faos_SendReceiveSynchFIB(nullptr, nullptr), kNone; },
     kNotImplemented, How::Thrown},
    {"fant_DeviceDriverCall", [] { return fant_DeviceDriverCall(nullptr); }, kNotOnOs,
     How::Returned},
    {"NetworkDeviceDriverCall", [] { return NetworkDeviceDriverCall(nullptr); }, kNotOnOs,
     How::Returned},
    {"SimulatorWaitAndGetAsyncFib",
     [] { return SimulatorWaitAndGetAsyncFib(nullptr, nullptr), kNone; }, kNotOnOs, How::Thrown},
    {"NetworkWaitAndGetAsyncFib", [] { return NetworkWaitAndGetAsyncFib(nullptr, nullptr), kNone; },
     kNotOnOs, How::Thrown},
    {"NetworkCancelAsyncFib", [] { return NetworkCancelAsyncFib(nullptr); }, kNotOnOs,
     How::Returned},
    {"NetworkEnumAdapters", [] { return NetworkEnumAdapters(nullptr, nullptr); }, kNotOnOs,
     How::Returned},
    {"fant_InitForRemote", [] { return fant_InitForRemote(), kNone; }, kNotOnOs, How::Thrown},
    {"NetworkCloseAdapter", [] { return NetworkCloseAdapter(nullptr); }, kNotOnOs, How::Returned},
    {"DisconnectFromSimulator", [] { return DisconnectFromSimulator(nullptr), kNone; }, kNotOnOs,
     How::Thrown},
    {"NetworkGetStorageDeviceInfo", [] { return NetworkGetStorageDeviceInfo(nullptr); }, kNotOnOs,
     How::Returned},
    {"NetworkBlinkDrive", [] { return NetworkBlinkDrive(nullptr, nullptr, 1); }, kNotOnOs,
     How::Returned},
    {"NetworkStorageDevice", [] { return NetworkStorageDevice(nullptr); }, kNotImplemented,
     How::Returned},
    {"NetworkSetSmartDeviceInfo", [] { return NetworkSetSmartDeviceInfo(nullptr); },
     kNotImplemented, How::Returned},
    {"NetworkClearSmartDevice", [] { return NetworkClearSmartDevice(nullptr); }, kNotImplemented,
     How::Returned},
    {"NetworkContainer", [] { return NetworkContainer(); }, kNotOnOs, How::Returned},
    {"NetworkCreatePrimaryContainer", [] { return NetworkCreatePrimaryContainer(); }, kNotOnOs,
     How::Returned},
    {"NetworkCreateSecondaryContainer", [] { return NetworkCreateSecondaryContainer(); }, kNotOnOs,
     How::Returned},
    {"NetworkMirror", [] { return NetworkMirror(); }, kNotOnOs, How::Returned},
    {"NetworkMorphContainer", [] { return NetworkMorphContainer(); }, kNotOnOs, How::Returned},
    {"NetworkSnapshot", [] { return NetworkSnapshot(); }, kNotOnOs, How::Returned},
    {"NetworkInitStorageDeviceForFsa", [] { return NetworkInitStorageDeviceForFsa(); },
     kNotImplemented, How::Returned},
    {"faos_NTLinkForContainer",
     [] { return faos_NTLinkForContainer(nullptr, 1, nullptr, 0, 0), kNone; }, kNotOnOs,
     How::Thrown},
    {"NetworkNTLinkForContainerExInternal", [] { return NetworkNTLinkForContainerExInternal(); },
     kNotOnOs, How::Returned},
    {"NetworkGetDriveLetterUsage", [] { return NetworkGetDriveLetterUsage(); }, kNotOnOs,
     How::Returned},
    {"faos_GetDriveLetterUsage", [] { return faos_GetDriveLetterUsage(); }, kNotOnOs,
     How::Returned},
    // Exported services of other hosts; the families take any arguments.
    {"FsaUtilSetAdapPerfMonEnabledW",
     [] { return FsaUtilSetAdapPerfMonEnabledW(nullptr, nullptr, 1); }, kNotOnOs, How::Returned},
    {"FsaUtilIsFSPerfMonEnabledW",
     [] { return FsaUtilIsFSPerfMonEnabledW(nullptr, nullptr, nullptr); }, kNotOnOs, How::Returned},
    {"FsaEnumHostsA", [] { return FsaEnumHostsA(nullptr, 0); }, kNotOnOs, How::Returned},
    {"FsaMailSetMailServerW", [] { return FsaMailSetMailServerW(); }, kNotOnOs, How::Returned},
    {"FsaCreateCoreFileA", [] { return FsaCreateCoreFileA(nullptr, "core"); }, kNotOnOs,
     How::Returned},
    {"FsaSetFibTimeoutEnable", [] { return FsaSetFibTimeoutEnable(nullptr, 1); }, kNotOnOs,
     How::Returned},
};

TEST(PlatformStubs, EachAnswersItsStatusTheWayItsCallersExpect) {
    for (const Stub& s : kStubs) {
        SCOPED_TRACE(s.name);
        const auto [status, how] = answerOf(s);
        EXPECT_EQ(status, s.answer);
        EXPECT_EQ(how == How::Thrown, s.how == How::Thrown);
    }
}

TEST(PlatformStubs, ThoseWithNothingThereAnswerEmpty) {
    _tagFSA_ADAPTER_ENUM_INFO info{};
    EXPECT_EQ(GetSimulatorInfo(0, &info), 0);
    EXPECT_EQ(NetworkRegisterOpenWithService(nullptr), 0u);
    EXPECT_EQ(FsaNTPreOpenClusterPartnerUpW(), 0);
}

} // namespace
