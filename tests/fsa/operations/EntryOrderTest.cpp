// Which check answers first when a call names no adapter it may use and
// leaves out a pointer it needs: the handle check (9) comes before the
// argument checks of each export, so that a caller with a stale handle is
// told so whatever else it passed.
#include "FsaCache.h"
#include "FsaContainerHost.h"
#include "FsaContainerInfo.h"
#include "FsaContainerOps.h"
#include "FsaDevices.h"
#include "FsaHostPartitions.h"
#include "FsaMaintenance.h"
#include "FsaSnapshot.h"
#include "OpsFixture.h"

#include <functional>
#include <stdexcept>
#include <string>

extern "C" FSA_STATUS FsaInitStorageDeviceForFsa(void* handle, int override,
                                                 const FSA_STORAGE_DEVICE* device, int force);

namespace {

// Each call leaves out the pointers it needs (null); `expected` is what a
// handle no adapter answers to gives.
struct Entry {
    const char* name;
    std::function<FSA_STATUS(void* handle)> call;
    FSA_STATUS expected = FSA_STS_INVALID_HANDLE;
};

const Entry kEntries[] = {
    {"FsaGetClusteredAdapters",
     [](void* h) { return FsaGetClusteredAdapters(h, nullptr, nullptr, 0); }},
    {"FsaGetHandleFromSerial", [](void* h) { return FsaGetHandleFromSerial(h, 9, nullptr); }},
    {"FsaGetIndexFromSerial", [](void* h) { return FsaGetIndexFromSerial(h, 9, nullptr); }},
    {"FsaGetHandleFromIndex", [](void* h) { return FsaGetHandleFromIndex(h, 0, nullptr); }},
    {"FsaGetSerialNumFromIndex", [](void* h) { return FsaGetSerialNumFromIndex(h, 0, nullptr); }},
    {"FsaSendReceiveFib", [](void* h) { return FsaSendReceiveFib(h, nullptr); }},
    {"FsaDeviceDriverCall",
     [](void* h) { return FsaDeviceDriverCall(h, 0, nullptr, 0, nullptr, 0, nullptr); }},
    {"FsaSrvWaitAndGetAsyncFib",
     [](void* h) { return FsaSrvWaitAndGetAsyncFib(h, nullptr, nullptr); }},
    {"FsaGetGeneralInformationEx",
     [](void* h) { return FsaGetGeneralInformationEx(h, 0, nullptr); }},
    {"FsaIsAdapterPaused", [](void* h) { return FsaIsAdapterPaused(h, nullptr); }},
    {"FsaIsAdapterPausedEx", [](void* h) { return FsaIsAdapterPausedEx(h, nullptr); }},
    {"FsaGetFileSystemData",
     [](void* h) { return FsaGetFileSystemData(h, nullptr, nullptr, nullptr); }},
    {"FsaRegisterGeneralCallback",
     [](void* h) { return FsaRegisterGeneralCallback(h, 1, nullptr, nullptr); }},
    {"FsaPollForEvent", [](void* h) { return FsaPollForEvent(h, 64, nullptr); }},
    {"FsaSendAifEvent", [](void* h) { return FsaSendAifEvent(h, 1, nullptr); }},
    {"FtaNotifyAppFilesysChanged", [](void* h) { return FtaNotifyAppFilesysChanged(h, nullptr); }},
    {"FsaGetTaskList",
     [](void* h) { return FsaGetTaskList(h, nullptr, nullptr, nullptr, nullptr, 0); }},
    {"FsaGetTaskDetails", [](void* h) { return FsaGetTaskDetails(h, 1, nullptr); }},
    {"FsaWaitForTaskComplete",
     [](void* h) { return FsaWaitForTaskComplete(h, 1, nullptr, nullptr); }},
    {"FsaGetTaskProgress", [](void* h) { return FsaGetTaskProgress(h, 1, 0, nullptr, nullptr); }},
    {"FsaReadAdapterMemory", [](void* h) { return FsaReadAdapterMemory(h, 0, 4, 0, nullptr); }},
    {"FsaGetSortedPartitionList",
     [](void* h) { return FsaGetSortedPartitionList(h, nullptr, nullptr); }},
    {"FsaContainerSetGlobalCacheParams",
     [](void* h) { return FsaContainerSetGlobalCacheParams(h, nullptr); }},
    {"FsaContainerGetGlobalCacheParams",
     [](void* h) { return FsaContainerGetGlobalCacheParams(h, nullptr); }},
    {"FsaContainerSetCacheParams",
     [](void* h) { return FsaContainerSetCacheParams(h, nullptr, nullptr); }},
    {"FsaContainerGetCacheParams",
     [](void* h) { return FsaContainerGetCacheParams(h, nullptr, nullptr); }},
    {"FsaGetContainerCacheStats",
     [](void* h) { return FsaGetContainerCacheStats(h, nullptr, 0, nullptr, nullptr); }},
    {"FsaReleaseContainerCache",
     [](void* h) { return FsaReleaseContainerCache(h, nullptr, nullptr); }},
    {"FsaFlushContainerCache", [](void* h) { return FsaFlushContainerCache(h, nullptr); }},
    {"FsaPrepareCtrForRemoval",
     [](void* h) { return FsaPrepareCtrForRemoval(h, 1, 0, 0, nullptr); }},
    {"FsaCtrRemovalComplete", [](void* h) { return FsaCtrRemovalComplete(h, 1, 0, nullptr); }},
    {"FsaCtrChangeComplete", [](void* h) { return FsaCtrChangeComplete(h, 1, 0, nullptr); }},
    {"FsaSetServiceContext", [](void* h) { return FsaSetServiceContext(h, 0, 0, 0, 0, nullptr); }},
    {"FsaPrepareCtrForChange", [](void* h) { return FsaPrepareCtrForChange(h, 1, nullptr); }},
    {"FsaCtrIsSystemBootDevice", [](void* h) { return FsaCtrIsSystemBootDevice(h, 1, nullptr); }},
    {"FsaNTLinkForContainer", [](void* h) { return FsaNTLinkForContainer(h, 0, nullptr, 0, 0); }},
    {"FsaGetDriveLetterUsage", [](void* h) { return FsaGetDriveLetterUsage(h, nullptr); }},
    {"FsaGetDriveLetterUsageEx", [](void* h) { return FsaGetDriveLetterUsageEx(h, 0, nullptr); }},
    {"FsaGetContainerInfo",
     [](void* h) { return FsaGetContainerInfo(h, 0, nullptr, nullptr, 4084); }},
    {"FsaGetFsaPartitionInfo",
     [](void* h) { return FsaGetFsaPartitionInfo(h, 0, nullptr, nullptr); }},
    {"FsaShowSoftError", [](void* h) { return FsaShowSoftError(h, nullptr); }},
    {"FsaShowSoftErrorDisks", [](void* h) { return FsaShowSoftErrorDisks(h, nullptr, nullptr); }},
    {"FsaMorphContainer",
     [](void* h) { return FsaMorphContainer(h, nullptr, 2, 1, nullptr, 0, 0, 1); }},
    {"FsaGetContainerUsage", [](void* h) { return FsaGetContainerUsage(h, nullptr, nullptr); }},
    {"FsaGetPartitionSize",
     [](void* h) { return FsaGetPartitionSize(h, nullptr, nullptr, 1, 0, 1, 0); }},
    {"FsaVerifyContainerGetInfo", [](void* h) { return FsaVerifyContainerGetInfo(h, nullptr); }},
    {"FsaFindContainersToDeleteByDisk",
     [](void* h) {
         return FsaFindContainersToDeleteByDisk(h, nullptr, 1, nullptr, nullptr, 0, nullptr,
                                                nullptr, 0);
     }},
    {"FsaFindMaxNumberOfPartitionsPerDisk",
     [](void* h) { return FsaFindMaxNumberOfPartitionsPerDisk(h, nullptr); }},
    {"FsaFindNumberOfCtrPartitionsonDisk",
     [](void* h) { return FsaFindNumberOfCtrPartitionsonDisk(h, nullptr, nullptr); }},
    {"FsaContainer", [](void* h) { return FsaContainer(h, nullptr, FSA_CO_LOCK, nullptr); }},
    {"SendAifContainerEvent", [](void* h) { return SendAifContainerEvent(h, nullptr, 1); }},
    {"FsaMirror", [](void* h) { return FsaMirror(h, FSA_MIRROR_SPLIT, nullptr, nullptr); }},
    {"FsaCreatePrimaryContainer",
     [](void* h) {
         return FsaCreatePrimaryContainer(h, nullptr, 1, nullptr, 1, nullptr, 0, nullptr);
     }},
    {"FsaCreateSecondaryContainer",
     [](void* h) { return FsaCreateSecondaryContainer(h, nullptr, 3, nullptr, 2, nullptr, 0); }},
    {"FsaGrowPrimaryVolumeSet",
     [](void* h) { return FsaGrowPrimaryVolumeSet(h, nullptr, nullptr, 0); }},
    {"FsaGrowSecondaryVolumeSet",
     [](void* h) { return FsaGrowSecondaryVolumeSet(h, nullptr, nullptr, 0); }},
    {"FsaCreateMirrorFromVolume",
     [](void* h) { return FsaCreateMirrorFromVolume(h, nullptr, 1, nullptr); }},
    {"FsaInitStorageDeviceForFsa",
     [](void* h) { return FsaInitStorageDeviceForFsa(h, 1, nullptr, 0); }},
    {"FsaGetStorageDeviceInfo",
     [](void* h) { return FsaGetStorageDeviceInfo(h, 0, nullptr, nullptr); }},
    {"FsaGetSmartDeviceInfo",
     [](void* h) { return FsaGetSmartDeviceInfo(h, 0, nullptr, nullptr); }},
    {"FsaEnumChannels", [](void* h) { return FsaEnumChannels(h, nullptr, nullptr); }},
    {"FsaStorageDevice", [](void* h) { return FsaStorageDevice(h, nullptr, 0, nullptr); }},
    {"FsaSetSmartDeviceInfo",
     [](void* h) { return FsaSetSmartDeviceInfo(h, 0, nullptr, nullptr); }},
    {"FsaClearSmartDevice", [](void* h) { return FsaClearSmartDevice(h, nullptr); }},
    {"FsaUpdateSmartDevice", [](void* h) { return FsaUpdateSmartDevice(h, nullptr); }},
    {"FsaGetDiskDefects",
     [](void* h) { return FsaGetDiskDefects(h, nullptr, 0, nullptr, nullptr, 0); }},
    {"FsaNTCreatePartition",
     [](void* h) { return FsaNTCreatePartition(h, nullptr, 0, 0, 0, nullptr); }},
    {"FsaNTCreateFileSystem",
     [](void* h) { return FsaNTCreateFileSystem(h, nullptr, 0, FSA_FILESYSTEM_TYPE{}); }},
    {"FsaNTRemovePartition", [](void* h) { return FsaNTRemovePartition(h, nullptr, 0); }},
    {"FsaNTAssignDriveLetter", [](void* h) { return FsaNTAssignDriveLetter(h, 'E', nullptr, 0); }},
    {"FsaNTRemoveDriveLetters", [](void* h) { return FsaNTRemoveDriveLetters(h, nullptr, 0); }},
    {"FsaNTGetByContainer", [](void* h) { return FsaNTGetByContainer(h, nullptr, 0, nullptr); }},
    {"FsaNTGetByDriveLetter", [](void* h) { return FsaNTGetByDriveLetter(h, 'E', 0, nullptr); }},
    {"FsaNTCheckFTDiskOnContainer",
     [](void* h) { return FsaNTCheckFTDiskOnContainer(h, nullptr, nullptr); }},
    {"FsaNTCheckDynamicDiskOnContainer",
     [](void* h) {
         return FsaNTCheckDynamicDiskOnContainer(h, nullptr, nullptr, nullptr, nullptr, nullptr);
     }},
    {"FsaNTFormatW",
     [](void* h) { return FsaNTFormatW(h, 'E', FSA_FILESYSTEM_TYPE{}, nullptr, 0, 0); }},
    {"FsaNTFormatA",
     [](void* h) { return FsaNTFormatA(h, 'E', FSA_FILESYSTEM_TYPE{}, nullptr, 0, 0); }},
    {"FsaNTUpdateSnapshotW", [](void* h) { return FsaNTUpdateSnapshotW(h, nullptr, nullptr, 0); }},
    {"FsaNTUpdateSnapshotA", [](void* h) { return FsaNTUpdateSnapshotA(h, nullptr, nullptr, 0); }},
    {"FsaNTExtendNativeFileSystem",
     [](void* h) { return FsaNTExtendNativeFileSystem(h, nullptr); }},
    {"FsaGetDiskSetInfo", [](void* h) { return FsaGetDiskSetInfo(h, nullptr, nullptr); }},
    {"FsaGetDriveInfo", [](void* h) { return FsaGetDriveInfo(h, 0, nullptr, nullptr); }},
    {"FsaGetClusterInfo",
     [](void* h) {
         return FsaGetClusterInfo(h, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
     }},
    {"FsaMapToPartnersPerspective",
     [](void* h) { return FsaMapToPartnersPerspective(h, nullptr, nullptr); }},
    {"FsaMapToLocalPerspective",
     [](void* h) { return FsaMapToLocalPerspective(h, nullptr, nullptr); }},
    {"FsaDiskSet", [](void* h) { return FsaDiskSet(h, nullptr, 0, nullptr); }},
    {"FsaArbitrate", [](void* h) { return FsaArbitrate(h, nullptr); }},
    {"FsaRelease", [](void* h) { return FsaRelease(h, nullptr); }},
    {"FsaKeepClaimAlive", [](void* h) { return FsaKeepClaimAlive(h, nullptr); }},
    {"FsaEnumDiskSets", [](void* h) { return FsaEnumDiskSets(h, nullptr, nullptr, nullptr); }},
    {"FsaEnumDiskSetMembers",
     [](void* h) { return FsaEnumDiskSetMembers(h, nullptr, nullptr, nullptr); }},
    {"FsaFindDiskSet", [](void* h) { return FsaFindDiskSet(h, nullptr); }},
    {"FsaGetNextDiskSetName", [](void* h) { return FsaGetNextDiskSetName(h, nullptr, nullptr); }},
    {"FsaCheckDupDiskSetName", [](void* h) { return FsaCheckDupDiskSetName(h, nullptr); }},
    // Nothing to do, and a spare pool that is also host-managed, are
    // answered before the adapter is looked up.
    {"FsaSetDiskSetParameters nothing to do",
     [](void* h) { return FsaSetDiskSetParameters(h, nullptr, nullptr, 0); }, FSA_STS_SUCCESS},
    {"FsaSetDiskSetParameters both flags",
     [](void* h) { return FsaSetDiskSetParameters(h, nullptr, nullptr, 3); },
     FSA_STS_BAD_ARGUMENTS},
    {"FsaSetDiskSetParameters",
     [](void* h) { return FsaSetDiskSetParameters(h, nullptr, "x", 0); }},
    // The set is checked first.
    {"FsaDiskSetSetAttributes",
     [](void* h) { return FsaDiskSetSetAttributes(h, nullptr, nullptr, 0); },
     FSA_STS_BAD_ARGUMENTS},
    {"FsaRemoveFileSystem", [](void* h) { return FsaRemoveFileSystem(h, nullptr); }},
    {"FsaUpdateFileSystem", [](void* h) { return FsaUpdateFileSystem(h, nullptr, nullptr); }},
    {"FsaNvram", [](void* h) { return FsaNvram(h, FSA_NVRAM_OPERATION{}, nullptr); }},
    {"FsaNvramEx", [](void* h) { return FsaNvramEx(h, 0, FSA_NVRAM_OPERATION{}, nullptr); }},
    {"FsaReadFlashToFile", [](void* h) { return FsaReadFlashToFile(h, nullptr, 0); }},
    {"FsaDiagnostic", [](void* h) { return FsaDiagnostic(h, 0, nullptr, nullptr, nullptr); }},
    {"FsaDiagnosticEx",
     [](void* h) { return FsaDiagnosticEx(h, 0, 0, nullptr, nullptr, nullptr); }},
    {"FsaAdapterParameters", [](void* h) { return FsaAdapterParameters(h, 0, nullptr, nullptr); }},
    {"FsaControllerSerialNumber",
     [](void* h) { return FsaControllerSerialNumber(h, 0, nullptr, nullptr); }},
    {"FsaPauseResumeIoStatus", [](void* h) { return FsaPauseResumeIoStatus(h, nullptr); }},
    {"FsaPauseResumeIoStatusEx", [](void* h) { return FsaPauseResumeIoStatusEx(h, 0, nullptr); }},
    {"FsaSetUiThreadCallBack",
     [](void* h) { return FsaSetUiThreadCallBack(h, nullptr, nullptr, 0); }},
    {"FsaExposeNewPhysicalSpace", [](void* h) { return FsaExposeNewPhysicalSpace(h, nullptr); }},
    {"FsaSnapshot",
     [](void*
            h) { return FsaSnapshot(h, FSA_SNAP_CREATE_SPARSE, nullptr, nullptr, nullptr, 65536); }},
    {"FsaHasUnconfigSnapshotBuffers",
     [](void* h) { return FsaHasUnconfigSnapshotBuffers(h, nullptr); }},
    // The answer is cleared before the adapters are walked.
    {"FsaHasUnconfigSnapshotBuffersEx",
     [](void* h) { return FsaHasUnconfigSnapshotBuffersEx(h, nullptr); }, FSA_STS_BAD_ARGUMENTS},
};

// Exports that refuse the missing pointer themselves once the handle passed.
const char* const kRefusedInside[] = {
    "FsaSrvWaitAndGetAsyncFib",
    "FsaGetSortedPartitionList",
    "FsaContainerSetGlobalCacheParams",
    "FsaContainerGetGlobalCacheParams",
    "FsaContainerSetCacheParams",
    "FsaContainerGetCacheParams",
    "FsaGetContainerCacheStats",
    "FsaReleaseContainerCache",
    "FsaFlushContainerCache",
    "FsaCtrIsSystemBootDevice",
    "FsaGetContainerInfo",
    "FsaGetFsaPartitionInfo",
    "FsaMorphContainer",
    "FsaGetContainerUsage",
    "FsaGetPartitionSize",
    "FsaVerifyContainerGetInfo",
    "FsaFindContainersToDeleteByDisk",
    "FsaContainer",
    "SendAifContainerEvent",
    "FsaMirror",
    "FsaCreatePrimaryContainer",
    "FsaCreateSecondaryContainer",
    "FsaGrowPrimaryVolumeSet",
    "FsaGrowSecondaryVolumeSet",
    "FsaCreateMirrorFromVolume",
    "FsaInitStorageDeviceForFsa",
    "FsaSetDiskSetParameters",
    "FsaRemoveFileSystem",
    "FsaUpdateFileSystem",
    "FsaHasUnconfigSnapshotBuffers",
};

const Entry& entry(const std::string& name) {
    for (const Entry& e : kEntries)
        if (name == e.name)
            return e;
    throw std::invalid_argument(name);
}

class EntryOrder : public fsatest::OpsTest {
protected:
    EntryOrder() : OpsTest(R"({"adapters": [{"index": 0, "serial": 9}]})") {}
};

TEST_F(EntryOrder, AHandleNoAdapterAnswersToIsReportedBeforeAMissingArgument) {
    void* closed = open();
    ASSERT_EQ(FsaCloseAdapter(closed), FSA_STS_SUCCESS);
    for (void* bad : {static_cast<void*>(nullptr), closed})
        for (const Entry& e : kEntries)
            EXPECT_EQ(e.call(bad), e.expected) << e.name << " handle " << bad;
}

TEST_F(EntryOrder, AMissingArgumentIsStillRefusedOnAnAdapterInUse) {
    for (const char* name : kRefusedInside)
        EXPECT_EQ(entry(name).call(handle), FSA_STS_BAD_ARGUMENTS) << name;
}

} // namespace
