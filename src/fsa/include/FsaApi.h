#pragma once

// The controller library's exported functions: adapters, FIBs, events,
// tasks, general information and the debug trace.

#include "FsaTypes.h"

#include <cstdint>

extern "C" {

// Adapters.
FSA_STATUS FsaEnumAdaptersA(const char* host, const char* domain, void* user,
                            FSA_ADAPTER_ENUM_CALLBACK callback);
FSA_STATUS FsaEnumAdaptersW(const FA_WCHAR* host, const FA_WCHAR* domain, void* user,
                            FSA_ADAPTER_ENUM_CALLBACK callback);
FSA_STATUS FsaLocalEnumAdapters(void* user, FSA_ADAPTER_ENUM_CALLBACK callback);
FSA_STATUS FsaGetLocalAdapterInfo(unsigned int index, _tagFSA_ADAPTER_ENUM_INFO* info);

FSA_STATUS FsaOpenAdapter2(const char* name, const char* domain, unsigned int appBuild,
                           FSA_ACCESS access, FSA_CONNECTION_TYPE connection,
                           FSA_PASSWORD_CALLBACK callback, void* callbackArg, void** handle,
                           void** partnerHandle);
FSA_STATUS FsaOpenAdapter2A(const char* name, const char* domain, unsigned int appBuild,
                            FSA_ACCESS access, FSA_CONNECTION_TYPE connection,
                            FSA_PASSWORD_CALLBACK callback, void* callbackArg, void** handle,
                            void** partnerHandle);
FSA_STATUS FsaOpenAdapter2W(const FA_WCHAR* name, const FA_WCHAR* domain, unsigned int appBuild,
                            FSA_ACCESS access, FSA_CONNECTION_TYPE connection,
                            FSA_PASSWORD_CALLBACK_W callback, void* callbackArg, void** handle,
                            void** partnerHandle);
FSA_STATUS FsaOpenAdapterA(const char* name, const char* domain, unsigned int appBuild,
                           FSA_ACCESS access, void** handle, void** partnerHandle);
FSA_STATUS FsaOpenAdapterW(const FA_WCHAR* name, const FA_WCHAR* domain, unsigned int appBuild,
                           FSA_ACCESS access, void** handle, void** partnerHandle);
FSA_STATUS FsaCloseAdapter(void* handle);

FSA_STATUS FsaGetClusteredAdapters(void* handle, unsigned int* count, unsigned int* serials,
                                   unsigned int bufferBytes);
FSA_STATUS FsaGetHandleFromSerial(void* handle, unsigned int serial, void** out);
FSA_STATUS FsaGetIndexFromSerial(void* handle, unsigned int serial, unsigned int* index);
FSA_STATUS FsaGetHandleFromIndex(void* handle, unsigned int index, void** out);
FSA_STATUS FsaGetSerialNumFromIndex(void* handle, unsigned int index, unsigned int* out);
unsigned int FsaGetSerialFromDSOwner(unsigned int owner);
void FsaSetServiceApi();
int FsaIsRunningAsServer();
void FsaSetClusterForAll();
void FsaInitCreateThread(int grant);
FSA_STATUS FsaSetServiceContext(void* handle, unsigned int a, unsigned int b, unsigned int c,
                                unsigned int d, void* callback);

// FIBs and driver calls.
FSA_STATUS FsaSendReceiveFib(void* handle, _FIB* fib);
FSA_STATUS FsaDeviceDriverCall(void* handle, unsigned int code, void* in, unsigned int inLength,
                               void* out, unsigned int outLength, unsigned int* returned);
FSA_STATUS FsaSrvWaitAndGetAsyncFib(void* handle, int* received, _FIB* fib);
unsigned int FsaGetScsiMethod(void* handle);
void FsaGetNodeInfo(void* handle, FSA_NODE_INFO* out);

// General information.
void FsaGetGeneralInformation(void* handle, FSA_GENERAL_INFO* info);
FSA_STATUS FsaGetGeneralInformationEx(void* handle, unsigned int index, FSA_GENERAL_INFO* info);
void FsaGetPartnerGeneralInformation(void* handle, unsigned int ignored, FSA_GENERAL_INFO* info);
FSA_STATUS FsaIsAdapterPaused(void* handle, int* paused);
FSA_STATUS FsaIsAdapterPausedEx(void* handle, int* paused);
FSA_STATUS FsaGetFileSystemData(void* handle, const tag_FSA_CONTAINER* container, void* params,
                                void* info);

// Events.
FSA_STATUS FsaRegisterGeneralCallback(void* handle, std::uint32_t mask,
                                      FSA_GENERAL_CALLBACK callback, void* user);
FSA_STATUS FsaPollForEvent(void* handle, unsigned int bufferSize, void* buffer);
FSA_STATUS FsaSendAifEvent(void* handle, std::uint32_t eventBit, const FSA_EVENT_DETAILS* details);
FSA_STATUS FtaNotifyFormatComplete(void* handle, char driveLetter);
FSA_STATUS FtaNotifyAppFilesysChanged(void* handle, const tag_FSA_CONTAINER* container);
FSA_STATUS FsaAIFThreadProcessing(void* handle);
FSA_STATUS FsaAIFStopThreadProcessing(void* handle);

// Tasks.
FSA_STATUS FsaGetTaskList(void* handle, const FSA_STORAGE_DEVICE* device,
                          const tag_FSA_CONTAINER* container, FSA_TASK_DESCRIPTOR* array,
                          unsigned int* count, unsigned int arrayBytes);
FSA_STATUS FsaGetTaskDetails(void* handle, unsigned int taskId, FSA_TASK_INFO* info);
FSA_STATUS FsaWaitForTaskComplete(void* handle, unsigned int taskId,
                                  const tag_FSA_CONTAINER* container,
                                  const FSA_STORAGE_DEVICE* device);
FSA_STATUS FsaGetTaskProgress(void* handle, unsigned int taskId, unsigned int interval,
                              FSA_TASK_CALLBACK callback, void* user);
FSA_STATUS FsaTask(void* handle, unsigned int taskId, int operation);
FSA_STATUS FsaTaskEx(void* handle, unsigned int serial, unsigned int taskId, int operation);
unsigned int FtaStartJob(void* handle, unsigned int jobKind, unsigned int objectId);
unsigned int FtaUpdateJob(void* handle, unsigned int taskId, unsigned int progress);
unsigned int FtaFinishJob(void* handle, unsigned int taskId, unsigned int result);

// Debug trace.
void FsaUxDbgFileSetLevel(int level);
void FsaUxDbgFileSetModule(std::uint32_t low, std::uint32_t high);
void FsaUxDbgFileClrModule(std::uint32_t low, std::uint32_t high);
int FsaUxDbgFileTstModule(std::uint32_t low, std::uint32_t high);
void FsaUxDbgFileSetAdapter();
void FsaUxDbgFileSetInfra();
void FsaUxDbgFileSetOther();
void FsaUxDbgFileSetAll();
void FsaUxDbgFileSetName(const char* name);
const char* FsaUxDbgFileGetName();
int FsaUxParseCmdLineArg(char* argument);
void FsaUxDbgFilePrintf(std::uint64_t module, int level, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
FSA_STATUS FsaUxDbgFileInUse();
FSA_STATUS FsaUxDbgFileOpenEmptyClose();
void FsaUxGetDeviceNamePrefix(char* prefix);

// Controller memory from `address` into the file `path` (kept unless `overwrite`).
FSA_STATUS FsaReadAdapterMemory(void* handle, unsigned int address, unsigned int length,
                                int overwrite, const char* path);

// Performance-monitor switches: not available on this operating system.
FSA_STATUS FsaUtilSetAdapPerfMonEnabledA(const char* host, const char* adapter, int enable);
FSA_STATUS FsaUtilSetAdapPerfMonEnabledW(const FA_WCHAR* host, const FA_WCHAR* adapter, int enable);
FSA_STATUS FsaUtilIsAdapPerfMonEnabledA(const char* host, const char* adapter, int* enabled);
FSA_STATUS FsaUtilIsAdapPerfMonEnabledW(const FA_WCHAR* host, const FA_WCHAR* adapter,
                                        int* enabled);
FSA_STATUS FsaUtilSetFSPerfMonEnabledA(const char* host, const char* adapter, int enable);
FSA_STATUS FsaUtilSetFSPerfMonEnabledW(const FA_WCHAR* host, const FA_WCHAR* adapter, int enable);
FSA_STATUS FsaUtilIsFSPerfMonEnabledA(const char* host, const char* adapter, int* enabled);
FSA_STATUS FsaUtilIsFSPerfMonEnabledW(const FA_WCHAR* host, const FA_WCHAR* adapter, int* enabled);

// Signals for command-line front ends.
void FsaUxInitSignal(void (*exitFunction)(int), void (*resetFunction)(int));
void FsaUxInitWindowResizeSignal();
}

#include "FsaPartitions.h"
extern "C" {
// A freshly built sorted list of every disk extent; the caller frees *list
// with free().
FSA_STATUS FsaGetSortedPartitionList(void* handle, unsigned int* count,
                                     FSA_PARTITION_CACHE_ELEMENT** list);
}
#include "FsaDevices.h"
#include "FsaMaintenance.h"
