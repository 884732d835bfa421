#pragma once

#include "qorsim/Simulator.h"

#include <string>

namespace qorsim {

// JSON: the adapter records.
void registerAdapterModel(Simulator& sim);
// FIB 500, 700, 701, 703, 704.
void registerAdapterFibs(Simulator& sim);
// FIB 700 requests 100..110.
void registerTaskRequests(Simulator& sim);
// Container commands of the adapter open and the dump; SCSI bus information.
void registerAdapterContainerCommands(Simulator& sim);
// Slices, partitions, containers, user flags, dumps, memory.
void registerConfigurationCommands(Simulator& sim);
// FIB 550: disk sets and cluster information.
void registerDiskSetCommands(Simulator& sim);
// Container unique ids (165, 167), labels (130, 131), delays (25, 58).
void registerContainerIdentity(Simulator& sim);
// Creating containers over the partition table (179, 124, 171, 172, 45);
// writing a disk's MBR (6).
void registerContainerCreation(Simulator& sim);
// DESTROY_CONTAINER (17): a loaded container, or one known only from its
// partitions, by number or by unique id.
void registerContainerDestroy(Simulator& sim);
// Frees a loaded container's entries and the groups that stand in it.
void destroyGroups(Adapter& a, std::uint32_t n);
// A container's unique id: the loaded record's, else derived from the number.
std::uint32_t containerUid(const Adapter& a, std::uint32_t n);
// The container a partition-table entry names at level 0, 1 or 2.
std::uint32_t partitionContainer(const std::uint8_t* entry, std::uint32_t level);
// SCSI sub-operations about drives, channel bytes, reads of a slice.
void registerDeviceCommands(Simulator& sim);
// FIB 300, battery registers, flash transfers, bus resets.
void registerMaintenanceCommands(Simulator& sim);
// Parameters, NVRAM slots, history buffers, serial number, debug break.
void registerParameterCommands(Simulator& sim);
// PAUSE_IO, RELEASE_IO and their events.
void registerPauseIo(Simulator& sim);
// SCSI sub-operation 85: soft-error state and disk list.
void registerSoftErrorCommands(Simulator& sim);
// Cache commands 111, 112, 129, 132, 135.
void registerCacheCommands(Simulator& sim);
// MOVE_CONTAINER 21, ZERO_CONTAINER_SPACE 59, the scrubs 61, 67, 141, 142.
void registerOperationCommands(Simulator& sim);
// UNMIRROR 24, GEN_MIRROR 26, SPLIT 30, PROMOTE 71.
void registerMirrorCommands(Simulator& sim);
// VOLUME_ADD 44, GEN_MORPH 109.
void registerReshapeCommands(Simulator& sim);

// /proc/scsi/scsi: the path, and what a text written to it does to the
// host disks.
bool isScsiMidLayerPath(const char* path);
void applyScsiMidLayerText(Model& model, const std::string& text);

} // namespace qorsim
