#pragma once

// Transports and host services this platform lacks: their entry points
// answer fixed statuses so that the common code dispatches unchanged.

#include "Context.h"
#include "FsaTypes.h"

FSA_STATUS SimulatorSendReceiveFib(FSAAPI_CONTEXT* ctx, _FIB* fib);           // 514
FSA_STATUS NetworkSendReceiveFib(FSAAPI_CONTEXT* ctx, _FIB* fib);             // 514
void faos_SendReceiveSynchFIB(FSAAPI_CONTEXT* ctx, _FIB* fib);                // throws 66
FSA_STATUS fant_DeviceDriverCall(FSAAPI_CONTEXT* ctx);                        // 514
FSA_STATUS NetworkDeviceDriverCall(FSAAPI_CONTEXT* ctx);                      // 514
int SimulatorWaitAndGetAsyncFib(FSAAPI_CONTEXT* ctx, _FIB* fib);              // throws 514
int NetworkWaitAndGetAsyncFib(FSAAPI_CONTEXT* ctx, _FIB* fib);                // throws 514
FSA_STATUS NetworkCancelAsyncFib(FSAAPI_CONTEXT* ctx);                        // 514
int GetSimulatorInfo(unsigned int index, _tagFSA_ADAPTER_ENUM_INFO* info);    // 0: none
FSA_STATUS NetworkEnumAdapters(const FA_WCHAR* host, const FA_WCHAR* domain); // 514
void fant_InitForRemote();                                                    // throws 514
FSA_STATUS NetworkCloseAdapter(FSAAPI_CONTEXT* ctx);                          // 514
std::uint32_t NetworkRegisterOpenWithService(FSAAPI_CONTEXT* ctx);            // 0
void NetworkDeregisterWithService(FSAAPI_CONTEXT* ctx);                       // no effect
int FsaNTPreOpenClusterPartnerUpW();                                          // 0
void DisconnectFromSimulator(FSAAPI_CONTEXT* ctx);                            // throws 514
