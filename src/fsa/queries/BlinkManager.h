#pragma once

// Blinking a drive: one worker thread per blinking drive reads a random
// block three times a second, which flashes the drive's activity light.

#include "Context.h"

#include <cstdint>
#include <pthread.h>
#include <vector>

constexpr std::uint32_t FSA_BLINK_FOREVER = 0xFFFFFFFF;

struct tag_Blinker_Control_Entry {
    tag_Blinker_Control_Entry* next = nullptr;
    tag_Blinker_Control_Entry* prev = nullptr;
    std::uint32_t remaining = 0; // further cycles; FSA_BLINK_FOREVER until stopped
    FSA_STORAGE_DEVICE device{};
};

class FSA_BLINK_MANAGER {
public:
    FSA_BLINK_MANAGER();
    // Stops every worker and returns once all have ended.
    ~FSA_BLINK_MANAGER();
    FSA_BLINK_MANAGER(const FSA_BLINK_MANAGER&) = delete;
    FSA_BLINK_MANAGER& operator=(const FSA_BLINK_MANAGER&) = delete;

    // Starts, extends, shortens (0: ends after the current cycle) the drive's
    // blinking; throws the status of a failed drive query.
    FSA_STATUS BlinkDrive(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* device,
                          std::uint32_t count);
    bool IsDriveBlinking(const FSA_STORAGE_DEVICE* device);
    // Workers started and not yet ended.
    std::uint32_t Running();

    // List upkeep; LocateDeviceEntry expects the caller to hold the mutex.
    tag_Blinker_Control_Entry* LocateDeviceEntry(const FSA_STORAGE_DEVICE* device);
    void AddDeviceEntry(tag_Blinker_Control_Entry* entry);
    void UnlinkAndFreeEntry(tag_Blinker_Control_Entry* entry);

private:
    struct StartRecord;
    static void* FAB_WorkerRoutine(void* start);
    void serve(tag_Blinker_Control_Entry* entry);
    bool endCycle(tag_Blinker_Control_Entry* entry);
    void workerEnded(tag_Blinker_Control_Entry* entry);
    void joinEnded();

    std::uint32_t m_running = 0;
    tag_Blinker_Control_Entry* m_head = nullptr;
    void* m_mutex;
    FSAAPI_CONTEXT* m_ctx = nullptr;
    std::vector<pthread_t> m_ended; // workers that ended, joined by the next request or the end
};

// Context start and end.
void FsaCreateBlinkManager(FSAAPI_CONTEXT* ctx);
void FsaDeleteBlinkManager(FSAAPI_CONTEXT* ctx);
// SCSI_BlinkDrive: the context's blink manager, or the remote stub.
void SCSI_BlinkDrive(FSAAPI_CONTEXT* ctx, const FSA_STORAGE_DEVICE* device, std::uint32_t count);
