#include "BlinkManager.h"

#include "CtWrappers.h"
#include "DeviceAccess.h"
#include "HandleTable.h"
#include "OsSync.h"
#include "ScsiCommands.h"
#include "Stubs.h"

#include <memory>
#include <random>

namespace {

constexpr unsigned kReadsPerCycle = 3;
constexpr unsigned kReadPauseMs = 333;
constexpr unsigned kStopPollMs = 400;

bool sameDrive(const FSA_STORAGE_DEVICE& a, const FSA_STORAGE_DEVICE& b) {
    return a.scsi.bus == b.scsi.bus && a.scsi.target == b.scsi.target && a.scsi.lun == b.scsi.lun;
}

} // namespace

struct FSA_BLINK_MANAGER::StartRecord {
    FSA_BLINK_MANAGER* manager;
    tag_Blinker_Control_Entry* entry;
};

FSA_BLINK_MANAGER::FSA_BLINK_MANAGER() : m_mutex(faos_CreateMutex(nullptr)) {}

FSA_BLINK_MANAGER::~FSA_BLINK_MANAGER() {
    {
        FAUX_AUTORELEASE_MUTEX lock(m_mutex);
        for (tag_Blinker_Control_Entry* e = m_head; e; e = e->next)
            e->remaining = 0;
    }
    while (Running() != 0)
        faos_Sleep(kStopPollMs);
    joinEnded();
    faos_DestroyMutex(m_mutex);
}

std::uint32_t FSA_BLINK_MANAGER::Running() {
    FAUX_AUTORELEASE_MUTEX lock(m_mutex);
    return m_running;
}

FSA_STATUS FSA_BLINK_MANAGER::BlinkDrive(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* device,
                                         std::uint32_t count) {
    joinEnded();
    {
        FAUX_AUTORELEASE_MUTEX lock(m_mutex);
        if (!m_ctx)
            m_ctx = ctx;
    }
    FSA_STORAGE_DEVICE_INFO info;
    if (const FSA_STATUS s =
            FsaGetStorageDeviceInfo(UtilHandleFromValue(ctx->handle), 0, device, &info);
        s != FSA_STS_SUCCESS)
        throw s;

    FAUX_AUTORELEASE_MUTEX lock(m_mutex);
    if (tag_Blinker_Control_Entry* e = LocateDeviceEntry(device)) {
        e->remaining = count;
        return FSA_STS_SUCCESS;
    }
    if (count == 0)
        return FSA_STS_SUCCESS;
    auto* entry = new tag_Blinker_Control_Entry;
    entry->remaining = count;
    entry->device = *device;
    AddDeviceEntry(entry);
    ++m_running;
    // The worker frees its start record; without a worker it is freed here.
    auto record = std::make_unique<StartRecord>(StartRecord{this, entry});
    try {
        faos_CreateThread(FAB_WorkerRoutine, record.get());
        record.release();
    } catch (FSA_STATUS) {
        --m_running;
        UnlinkAndFreeEntry(entry);
    }
    return FSA_STS_SUCCESS;
}

bool FSA_BLINK_MANAGER::IsDriveBlinking(const FSA_STORAGE_DEVICE* device) {
    FAUX_AUTORELEASE_MUTEX lock(m_mutex);
    return LocateDeviceEntry(device) != nullptr;
}

tag_Blinker_Control_Entry* FSA_BLINK_MANAGER::LocateDeviceEntry(const FSA_STORAGE_DEVICE* device) {
    for (tag_Blinker_Control_Entry* e = m_head; e; e = e->next)
        if (sameDrive(e->device, *device))
            return e;
    return nullptr;
}

void FSA_BLINK_MANAGER::AddDeviceEntry(tag_Blinker_Control_Entry* entry) {
    FAUX_AUTORELEASE_MUTEX lock(m_mutex);
    entry->next = m_head;
    entry->prev = nullptr;
    if (m_head)
        m_head->prev = entry;
    m_head = entry;
}

void FSA_BLINK_MANAGER::UnlinkAndFreeEntry(tag_Blinker_Control_Entry* entry) {
    FAUX_AUTORELEASE_MUTEX lock(m_mutex);
    if (entry->prev)
        entry->prev->next = entry->next;
    else
        m_head = entry->next;
    if (entry->next)
        entry->next->prev = entry->prev;
    delete entry;
}

void* FSA_BLINK_MANAGER::FAB_WorkerRoutine(void* start) {
    const StartRecord record = *static_cast<StartRecord*>(start);
    delete static_cast<StartRecord*>(start);
    try {
        record.manager->serve(record.entry);
    } catch (...) {
        // A drive without a slice or a failed transport ends the blinking.
    }
    record.manager->workerEnded(record.entry);
    return nullptr;
}

void FSA_BLINK_MANAGER::serve(tag_Blinker_Control_Entry* entry) {
    const int id = SCSI_DriveId(m_ctx, &entry->device);
    const int slice = CT_GetSliceFromDriveHandle(m_ctx, id, 1, nullptr);
    SCSI_CAPACITY_DATA cap;
    if (SCSI_GetCapacity(m_ctx, id, &cap) != FSA_STS_SUCCESS || cap.blocks == 0)
        return;
    std::minstd_rand random(std::random_device{}());
    std::uint8_t block[512];
    do {
        for (unsigned i = 0; i < kReadsPerCycle; ++i) {
            faos_Sleep(kReadPauseMs);
            // A read the controller refuses still counts as a flash.
            CT_ReadData(m_ctx, block, sizeof block, static_cast<std::uint32_t>(slice),
                        static_cast<std::uint32_t>(random() % cap.blocks));
        }
    } while (!endCycle(entry));
}

// True when the entry has no cycle left; else counts one down.
bool FSA_BLINK_MANAGER::endCycle(tag_Blinker_Control_Entry* entry) {
    FAUX_AUTORELEASE_MUTEX lock(m_mutex);
    if (entry->remaining == 0)
        return true;
    if (entry->remaining != FSA_BLINK_FOREVER)
        --entry->remaining;
    return false;
}

void FSA_BLINK_MANAGER::workerEnded(tag_Blinker_Control_Entry* entry) {
    FAUX_AUTORELEASE_MUTEX lock(m_mutex);
    UnlinkAndFreeEntry(entry);
    m_ended.push_back(pthread_self());
    --m_running;
}

void FSA_BLINK_MANAGER::joinEnded() {
    std::vector<pthread_t> ended;
    {
        FAUX_AUTORELEASE_MUTEX lock(m_mutex);
        ended.swap(m_ended);
    }
    for (pthread_t t : ended)
        faos_JoinThread(t);
}

void FsaCreateBlinkManager(FSAAPI_CONTEXT* ctx) {
    ctx->blinkManager = new FSA_BLINK_MANAGER;
}

void FsaDeleteBlinkManager(FSAAPI_CONTEXT* ctx) {
    delete static_cast<FSA_BLINK_MANAGER*>(ctx->blinkManager);
    ctx->blinkManager = nullptr;
}

void SCSI_BlinkDrive(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* device, std::uint32_t count) {
    if (ctx->connectionType != FSA_CONNECTION_LOCAL) {
        if (const FSA_STATUS s = NetworkBlinkDrive(ctx, device, count); s != FSA_STS_SUCCESS)
            throw s;
        return;
    }
    static_cast<FSA_BLINK_MANAGER*>(ctx->blinkManager)->BlinkDrive(ctx, device, count);
}
