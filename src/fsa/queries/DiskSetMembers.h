#pragma once

// Creating disk sets, adding and removing their drives, deleting them, and
// giving their drives a fresh controller MBR.

#include "Context.h"
#include "DiskSetRecords.h"
#include "FsaMaintenance.h"

FSA_STATUS DS_DiskSetCreate(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, FSA_DISK_SET_ARGS* args);
FSA_STATUS DS_AddMembers(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, FSA_DISK_SET_ARGS* args);
FSA_STATUS DS_RemoveMembers(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, FSA_DISK_SET_ARGS* args);
FSA_STATUS DS_DiskSetDelete(FSAAPI_CONTEXT* ctx, FSA_DISK_SET* set, FSA_DISK_SET_ARGS* args);

// Writes the controller MBR on every member drive that has none; 12 when
// some drive has one already; a failure (6, or the status that stopped it)
// when a drive's MBR could not be read or written or the members not read.
FSA_STATUS DS_InitDrives(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set);
// The same for one drive.
FSA_STATUS DS_InitDrive(FSAAPI_CONTEXT* ctx, std::uint32_t driveId);

// Commands 17 and 18 for the key and owner.
FSA_STATUS DS_Attach(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, std::uint64_t owner);
FSA_STATUS DS_Detach(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, std::uint64_t owner);

// A set held here but not attached, attached for the duration of a change.
class DS_TemporaryAttach {
public:
    DS_TemporaryAttach(FSAAPI_CONTEXT* ctx, const FSA_DISK_SET* set, std::uint64_t owner)
        : m_ctx(ctx), m_set(set), m_owner(owner) {}
    ~DS_TemporaryAttach();
    DS_TemporaryAttach(const DS_TemporaryAttach&) = delete;
    DS_TemporaryAttach& operator=(const DS_TemporaryAttach&) = delete;

    FSA_STATUS attach();
    bool attached() const { return m_attached; }
    // Detaches again when attached here: its status.
    FSA_STATUS finish();

private:
    FSAAPI_CONTEXT* m_ctx;
    const FSA_DISK_SET* m_set;
    std::uint64_t m_owner;
    bool m_attached = false;
};

// Held by this node (attached or not).
inline bool DS_HeldHere(const DS_RECORD& r, std::uint64_t self) {
    return (r.flags & DS_FLAG_HELD) && r.owner == self;
}
// Attached to this node's host.
inline bool DS_AttachedHere(const DS_RECORD& r, std::uint64_t self) {
    return r.owner == self && (r.flags & DS_FLAG_ATTACHED);
}
