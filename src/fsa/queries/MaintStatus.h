#pragma once

// Statuses of the disk-set, NVRAM, flash and maintenance exports.

#include "FsaStatus.h"

namespace maint {

constexpr FSA_STATUS sts(unsigned v) {
    return static_cast<FSA_STATUS>(v);
}

constexpr FSA_STATUS kDeviceNotFound = sts(12);
constexpr FSA_STATUS kTooManyMembers = sts(24);
constexpr FSA_STATUS kBusOutOfRange = sts(36);
constexpr FSA_STATUS kTaskRunning = sts(145);
constexpr FSA_STATUS kNvramBadResponse = sts(166);
constexpr FSA_STATUS kNvramBadCommand = sts(167);
constexpr FSA_STATUS kParamUnknown = sts(312);
constexpr FSA_STATUS kParamNoSlot = sts(313);
constexpr FSA_STATUS kDsCommFailed = sts(423);
constexpr FSA_STATUS kDsNoMoreSets = sts(424);
constexpr FSA_STATUS kDsNoSets = sts(425);
constexpr FSA_STATUS kDsNotOwnerOfDisk = sts(426);
constexpr FSA_STATUS kDsFailed = sts(427);
constexpr FSA_STATUS kDsDiskInSet = sts(428);
constexpr FSA_STATUS kDsMixedChannels = sts(429);
constexpr FSA_STATUS kDsCreateUnmapped = sts(430);
constexpr FSA_STATUS kDsAddUnmapped = sts(431);
constexpr FSA_STATUS kDsRemoveUnmapped = sts(432);
constexpr FSA_STATUS kDsNotShared = sts(433);
constexpr FSA_STATUS kDsNotOwner = sts(434);
constexpr FSA_STATUS kDsOwnedBySomeone = sts(435);
constexpr FSA_STATUS kDsLastMember = sts(439);
constexpr FSA_STATUS kDsHostManaged = sts(449);
constexpr FSA_STATUS kDsAttachFailed = sts(450);
constexpr FSA_STATUS kDsStillAttached = sts(451);
constexpr FSA_STATUS kDsDetachFailed = sts(452);
constexpr FSA_STATUS kDsPartnerOwns = sts(458);
constexpr FSA_STATUS kDsNotAttached = sts(459);
constexpr FSA_STATUS kDsDuplicateLabel = sts(511);
constexpr FSA_STATUS kDsTooManySets = sts(519);
constexpr FSA_STATUS kDsHasContainers = sts(534);
constexpr FSA_STATUS kBatteryReplaceFailed = sts(535);
constexpr FSA_STATUS kDsOnManyAdapters = sts(545);
constexpr FSA_STATUS kFlashReadFailed = sts(585);
constexpr FSA_STATUS kFlashFileWrite = sts(586);
constexpr FSA_STATUS kFlashCompareOnly = sts(587);
constexpr FSA_STATUS kFlashCompareAfterWrite = sts(588);
constexpr FSA_STATUS kFlashWrongController = sts(590);
constexpr FSA_STATUS kFlashFileNotFound = sts(591);
constexpr FSA_STATUS kFlashReadError = sts(592);
constexpr FSA_STATUS kFlashBuildMismatch = sts(593);
constexpr FSA_STATUS kFlashSequence = sts(594);
constexpr FSA_STATUS kFlashFormat = sts(595);
constexpr FSA_STATUS kFlashFileExists = sts(596);
constexpr FSA_STATUS kFlashBuildTooOld = sts(598);
constexpr FSA_STATUS kReconditionUnsupported = sts(600);
constexpr FSA_STATUS kNewBatteryUnsupported = sts(601);

} // namespace maint
