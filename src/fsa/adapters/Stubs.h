#pragma once

// Transports and host services this platform lacks: their entry points
// answer fixed statuses so that the common code dispatches unchanged.

#include "Context.h"
#include "FsaTypes.h"

#include <cstdint>

// One row per entry point: result type, name, parameters, and how it answers
// (`return` the status, or `throw` it to the caller's frame).
#define FSA_PLATFORM_STUBS(X)                                                                      \
    /* Simulator and network transports */                                                         \
    X(FSA_STATUS, SimulatorSendReceiveFib, (FSAAPI_CONTEXT*, _FIB*), return,                       \
      FSA_STS_NOT_AVAILABLE_ON_OS)                                                                 \
    X(FSA_STATUS, NetworkSendReceiveFib, (FSAAPI_CONTEXT*, _FIB*), return,                         \
      FSA_STS_NOT_AVAILABLE_ON_OS)                                                                 \
    X(FSA_STATUS, faos_SendReceiveSynchFIB, (FSAAPI_CONTEXT*, _FIB*), throw,                       \
      FSA_STS_NOT_IMPLEMENTED)                                                                     \
    X(FSA_STATUS, fant_DeviceDriverCall, (FSAAPI_CONTEXT*), return, FSA_STS_NOT_AVAILABLE_ON_OS)   \
    X(FSA_STATUS, NetworkDeviceDriverCall, (FSAAPI_CONTEXT*), return, FSA_STS_NOT_AVAILABLE_ON_OS) \
    X(int, SimulatorWaitAndGetAsyncFib, (FSAAPI_CONTEXT*, _FIB*), throw,                           \
      FSA_STS_NOT_AVAILABLE_ON_OS)                                                                 \
    X(int, NetworkWaitAndGetAsyncFib, (FSAAPI_CONTEXT*, _FIB*), throw,                             \
      FSA_STS_NOT_AVAILABLE_ON_OS)                                                                 \
    X(FSA_STATUS, NetworkCancelAsyncFib, (FSAAPI_CONTEXT*), return, FSA_STS_NOT_AVAILABLE_ON_OS)   \
    X(FSA_STATUS, NetworkEnumAdapters, (const FA_WCHAR*, const FA_WCHAR*), return,                 \
      FSA_STS_NOT_AVAILABLE_ON_OS)                                                                 \
    X(void, fant_InitForRemote, (), throw, FSA_STS_NOT_AVAILABLE_ON_OS)                            \
    X(FSA_STATUS, NetworkCloseAdapter, (FSAAPI_CONTEXT*), return, FSA_STS_NOT_AVAILABLE_ON_OS)     \
    X(void, DisconnectFromSimulator, (FSAAPI_CONTEXT*), throw, FSA_STS_NOT_AVAILABLE_ON_OS)        \
    /* Remote drive operations */                                                                  \
    X(FSA_STATUS, NetworkGetStorageDeviceInfo, (FSAAPI_CONTEXT*), return,                          \
      FSA_STS_NOT_AVAILABLE_ON_OS)                                                                 \
    X(FSA_STATUS, NetworkBlinkDrive, (FSAAPI_CONTEXT*, const FSA_STORAGE_DEVICE*, std::uint32_t),  \
      return, FSA_STS_NOT_AVAILABLE_ON_OS)                                                         \
    X(FSA_STATUS, NetworkStorageDevice, (FSAAPI_CONTEXT*), return, FSA_STS_NOT_IMPLEMENTED)        \
    X(FSA_STATUS, NetworkSetSmartDeviceInfo, (FSAAPI_CONTEXT*), return, FSA_STS_NOT_IMPLEMENTED)   \
    X(FSA_STATUS, NetworkClearSmartDevice, (FSAAPI_CONTEXT*), return, FSA_STS_NOT_IMPLEMENTED)     \
    /* Remote container operations */                                                              \
    X(FSA_STATUS, NetworkContainer, (), return, FSA_STS_NOT_AVAILABLE_ON_OS)                       \
    X(FSA_STATUS, NetworkCreatePrimaryContainer, (), return, FSA_STS_NOT_AVAILABLE_ON_OS)          \
    X(FSA_STATUS, NetworkCreateSecondaryContainer, (), return, FSA_STS_NOT_AVAILABLE_ON_OS)        \
    X(FSA_STATUS, NetworkMirror, (), return, FSA_STS_NOT_AVAILABLE_ON_OS)                          \
    X(FSA_STATUS, NetworkMorphContainer, (), return, FSA_STS_NOT_AVAILABLE_ON_OS)                  \
    X(FSA_STATUS, NetworkSnapshot, (), return, FSA_STS_NOT_AVAILABLE_ON_OS)                        \
    X(FSA_STATUS, NetworkInitStorageDeviceForFsa, (), return, FSA_STS_NOT_IMPLEMENTED)             \
    /* Drive-letter links, a service of hosts with drive letters */                                \
    X([[noreturn]] void, faos_NTLinkForContainer,                                                  \
      (FSAAPI_CONTEXT*, int, const tag_FSA_CONTAINER*, unsigned int, unsigned int), throw,         \
      FSA_STS_NOT_AVAILABLE_ON_OS)                                                                 \
    X(FSA_STATUS, NetworkNTLinkForContainerExInternal, (), return, FSA_STS_NOT_AVAILABLE_ON_OS)    \
    X(FSA_STATUS, NetworkGetDriveLetterUsage, (), return, FSA_STS_NOT_AVAILABLE_ON_OS)             \
    X(FSA_STATUS, faos_GetDriveLetterUsage, (), return, FSA_STS_NOT_AVAILABLE_ON_OS)

#define FSA_DECLARE_STUB(result, name, params, answer, status) result name params;
FSA_PLATFORM_STUBS(FSA_DECLARE_STUB)
#undef FSA_DECLARE_STUB

// Entry points that answer "nothing there" rather than a status.
int GetSimulatorInfo(unsigned int index, _tagFSA_ADAPTER_ENUM_INFO* info); // 0: none
std::uint32_t NetworkRegisterOpenWithService(FSAAPI_CONTEXT* ctx);         // 0
void NetworkDeregisterWithService(FSAAPI_CONTEXT* ctx);                    // no effect
int FsaNTPreOpenClusterPartnerUpW();                                       // 0
