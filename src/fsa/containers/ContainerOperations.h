#pragma once

// Container operation commands: each sends one container sub-command,
// checks the controller's CT status against its one success value and
// throws the operation's FSA_STATUS otherwise (after a debug line).

#include "Context.h"
#include "FsaPartitions.h"

#include <cstdint>

FSA_STATUS CT_WriteMBR(FSAAPI_CONTEXT* ctx, std::uint32_t slice, std::uint32_t entries);
FSA_STATUS CT_WritePartitionToDisk(FSAAPI_CONTEXT* ctx, std::uint32_t a, std::uint32_t b,
                                   const Partition* p);
void CT_WriteLastDrive(FSAAPI_CONTEXT* ctx, std::uint32_t n);
void CT_MoveContainer(FSAAPI_CONTEXT* ctx, std::uint32_t from, std::uint32_t to);
// The move, for callers that must know where the container is when the
// answer fails: a failure after which the controller holds the container
// under `to` and not under `from` (an answer that could not be read may come
// after the move was made) is returned, the move being made; any other
// failure is thrown, the container staying at `from` (or where the
// controller could not be asked).
FSA_STATUS CT_MoveContainerChecked(FSAAPI_CONTEXT* ctx, std::uint32_t from, std::uint32_t to);
void CT_DestroyContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t b, int flag);
void CT_AddLevel(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void CT_SetMirrorDelay(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t delay);
void CT_GetContainerDelay(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t* delay);
void CT_ClearFileSystem(FSAAPI_CONTEXT* ctx, std::uint32_t container, int notify);
void CT_Zero(FSAAPI_CONTEXT* ctx, std::uint32_t container);
// Tells every client of the adapter that the container's file system changed
// (event 0x80 with the container's id).
void AIF_FileSystemChange(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void CT_VolumeAdd(FSAAPI_CONTEXT* ctx, std::uint32_t w0, std::uint32_t w1, std::uint32_t w2);
void CT_VolumeAdd2(FSAAPI_CONTEXT* ctx, std::uint32_t a, std::uint32_t b);
void CT_GenerateMirror(FSAAPI_CONTEXT* ctx, std::uint32_t a, std::uint32_t b);
void CT_GenerateMirror2(FSAAPI_CONTEXT* ctx, const void* mirrorCommand136);
void CT_MirrorStatus(FSAAPI_CONTEXT* ctx, std::uint32_t container, void* mirrorStatus44);
void CT_UnMirror(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void CT_Split(FSAAPI_CONTEXT* ctx, std::uint32_t a, std::uint32_t b);
void CT_SplitTwo(FSAAPI_CONTEXT* ctx, std::uint32_t a, std::uint32_t b);
void CT_SplitBroken(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void CT_SplitBrokenTwo(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void CT_AbortMirror(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void CT_AssignFailover(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t b);
void CT_ClearFailover(FSAAPI_CONTEXT* ctx, std::uint32_t container, std::uint32_t b);
void CT_GetFailover(FSAAPI_CONTEXT* ctx, std::uint32_t container, void* failoverSlices260);
void CT_MakeReadOnly(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void CT_MakeReadWrite(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void CT_Promote(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void CT_ScrubContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void CT_Scrub2Container(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void CT_CheckContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void CT_Check2Container(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void CT_Copy(FSAAPI_CONTEXT* ctx, std::uint32_t from, std::uint32_t to);
void CT_FlushContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void CT_LockDrainContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void CT_OfflineContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void CT_RestartMorph(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void CT_LockContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void CT_UnlockContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container);
// How many of the 64 failover entries in block 2 of the slice are set; 0
// when the block cannot be read.
std::uint32_t CT_GetSliceFailoverCount(FSAAPI_CONTEXT* ctx, std::uint32_t slice);

// Marker the split and snapshot commands send.
constexpr std::uint32_t CT_GetFakeSimSignature() {
    return 0x12346789;
}

// The 40-byte snapshot request {a1, a2, a3, a5, a4, a6 or the marker, 0...}.
void CT_MakeSnapshot(FSAAPI_CONTEXT* ctx, std::uint32_t a1, std::uint32_t a2, std::uint32_t a3,
                     std::uint32_t a4, std::uint32_t a5, std::uint32_t a6);

// The reconfiguration statuses: 253 passes, the rest map to their FSA_STATUS.
void CT_CheckMorphStatus(std::uint32_t ctStatus);
