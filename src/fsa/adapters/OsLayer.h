#pragma once

// OS layer: host facts, device nodes, the adapter-event receive channel,
// container exposure and disk queries, signals.

#include "Context.h"
#include "FsaTypes.h"

#include <cstdint>

struct FAOS_TIME_INFO {
    std::uint16_t year, month, weekday, day, hour, minute, second, milliseconds;
};

enum _OEM_FLAVOR : std::uint32_t {
    FSA_OEM_UNKNOWN = 0,
    FSA_OEM_GENERIC = 1,
    FSA_OEM_VARN = 3,
    FSA_OEM_KQ = 4,
};

// Host facts.
std::uint32_t faos_GetOSType();
_OEM_FLAVOR faos_GetOEMWithNoContext();
int faos_IsThereOCE(FSAAPI_CONTEXT* ctx);
int faos_GetLastError();
void faos_GetTime(int utc, FAOS_TIME_INFO* out);
int faos_GetHostName(FA_WCHAR* name, unsigned int* capacity);

// Names.
const char* faux_DeviceNamePrefix();
void faux_mbAdapterNameFromWide(const FA_WCHAR* name, char* out, int size);
void faux_mbFullAdapterName(const char* name, char* out, int size);
bool faux_IsAdapterNameValid(const char* name);
int faux_MatchString(const char* text, const char* pattern);

// Device nodes.
int faos_GetAdapterInfo(unsigned int index, _tagFSA_ADAPTER_ENUM_INFO* info);
bool faux_FillAdapterInfoStruct(int fd, const char* name, _tagFSA_ADAPTER_ENUM_INFO* info);
bool faos_OpenChannelToAdapter(FSAAPI_CONTEXT* ctx, const FA_WCHAR* adapterName);
void faos_CloseChannelToAdapter(FSAAPI_CONTEXT* ctx);
int faos_CheckAdapterAccess(FSAAPI_CONTEXT* ctx, FSA_ACCESS access);
FSA_STATUS faos_CheckDriverCompatibility(FSAAPI_CONTEXT* ctx);
void faos_GetPCIBusAndSlotInfo(FSAAPI_CONTEXT* ctx, short* bus, short* slot);
int faos_GetPartnerAdapterInfo(unsigned int index, _tagFSA_ADAPTER_ENUM_INFO* info);
int faos_OpenClusterPartnerAdapter(FSAAPI_CONTEXT* ctx);
// Formats the ioctl slot with `name` and errno and throws 479.
[[noreturn]] void faux_ThrowIoctlFailure(const char* name, int err);

// Adapter-event receive channel.
FAUX_AIF_CONTEXT* faos_OpenAIFReceiveChannel(FSAAPI_CONTEXT* ctx);
int faos_GetAIF(FSAAPI_CONTEXT* ctx, FAUX_AIF_CONTEXT* channel, int wait, _FIB* fib);
void faos_CloseAIFReceiveChannel(FSAAPI_CONTEXT* ctx, FAUX_AIF_CONTEXT* channel);
// Makes sure the signal that interrupts a driver wait has a handler of ours
// without SA_RESTART; before any thread blocks.
void faux_InstallInterruptHandler();
void faux_killAifThread(pthread_t thread);

// Containers on the host.
int faux_CtrGetInstanceBusTargetLunAndDiskDeviceName(FSAAPI_CONTEXT* ctx, std::uint32_t container,
                                                     int* instance, int* bus, int* target, int* lun,
                                                     char* diskName);
void faos_ExposeCtrToOs(FSAAPI_CONTEXT* ctx, std::uint32_t container, int unused);
void faos_UnExposeCtrToOs(FSAAPI_CONTEXT* ctx, std::uint32_t container, int unused);
// A container that grew: the host learns nothing more on this platform; the
// call leaves a trace line.
void faos_ExposeExtendedContainer(FSAAPI_CONTEXT* ctx, std::uint32_t container);
std::uint32_t faos_CtrGetUsage(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void faos_ContainerSpecialFile(FSAAPI_CONTEXT* ctx, char* out, int unused, std::uint32_t container);

// What a container removal needs to finish on the host.
class FAOS_CTR_REMOVE_BASE {
public:
    virtual ~FAOS_CTR_REMOVE_BASE();
};
class FAOS_CTR_REMOVE : public FAOS_CTR_REMOVE_BASE {
public:
    FAOS_CTR_REMOVE(std::uint32_t c, bool f) : container(c), force(f) {}
    std::uint32_t container;
    bool force;
};
// Null for the simulator; throws 480 when the host has the disk open and
// `force` is clear.
FAOS_CTR_REMOVE* faos_PrepareCtrForRemoval(FSAAPI_CONTEXT* ctx, std::uint32_t container, int unused,
                                           int force);
void faos_CtrRemovalComplete(FSAAPI_CONTEXT* ctx, std::uint32_t container, int unused,
                             FAOS_CTR_REMOVE_BASE* record);
FAOS_CTR_REMOVE_BASE* faos_PrepareCtrForChange(FSAAPI_CONTEXT* ctx, std::uint32_t container);
void faos_CtrChangeComplete(FSAAPI_CONTEXT* ctx, std::uint32_t container, int unused,
                            FAOS_CTR_REMOVE_BASE* record);
int faos_RestoreDriveLetters(FSAAPI_CONTEXT* ctx, std::uint32_t container);

// Configuration dump.
void faos_MiscDumpConfigData(FSAAPI_CONTEXT* ctx, const char* path);
