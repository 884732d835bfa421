// Adapter-wide maintenance: bus reset and the diagnostic entry point.
#include "CtWrappers.h"
#include "Frame.h"
#include "FsaApi.h"
#include "FsaStatus.h"
#include "OsLayer.h"
#include "ScsiCommands.h"
#include "TextDump.h"

namespace {

constexpr std::uint32_t kBusReset = 22;

enum DiagnosticOperation : std::uint32_t {
    kTextDump = 0,
    kConfigurationDump = 1,
    kReconfigureWrite = 2,
    kReconfigure = 3,
    kBatteryReport = 5,
};

FSA_STATUS resetBus(FSAAPI_CONTEXT* ctx, std::uint32_t bus) {
    std::uint32_t info[8] = {};
    SCSI_sendfib(ctx, 0, SCSI_BUS_INFO, info, sizeof info, 1);
    if (bus >= info[1])
        return FSA_STS_BUS_NOT_FOUND;
    SCSI_sendfib(ctx, 0, kBusReset, &bus, sizeof bus, 1);
    return FSA_STS_SUCCESS;
}

FSA_STATUS diagnostic(FSAAPI_CONTEXT* ctx, std::uint32_t operation, int* argument,
                      FSA_TEXT_CALLBACK callback, void* user) {
    switch (operation) {
    case kTextDump:
        if (!argument || !callback)
            return FSA_STS_BAD_ARGUMENTS;
        MSC_DumpMassiveTextData(ctx, static_cast<std::uint32_t>(*argument), callback, user);
        return FSA_STS_SUCCESS;
    case kConfigurationDump:
        // The argument carries the dump file's name.
        if (!argument)
            return FSA_STS_BAD_ARGUMENTS;
        faos_MiscDumpConfigData(ctx, reinterpret_cast<const char*>(argument));
        return FSA_STS_SUCCESS;
    case kReconfigureWrite:
        if (const FSA_STATUS s = FsaCheckAccess(ctx, FsaAccessSet::ReadWrite); s != FSA_STS_SUCCESS)
            return s;
        CT_ReConfig(ctx, 2);
        return FSA_STS_SUCCESS;
    case kReconfigure:
        CT_ReConfig(ctx, 1);
        return FSA_STS_SUCCESS;
    case kBatteryReport:
        if (!callback)
            return FSA_STS_BAD_ARGUMENTS;
        MSC_ShowBattery(ctx, callback, user);
        return FSA_STS_SUCCESS;
    default:
        return FSA_STS_BAD_OPERATION;
    }
}

// The same export on entry `index` of the adapter table.
template <class Call>
FSA_STATUS onIndexedAdapter(void* handle, FsaAccessSet access, std::uint32_t index, Call&& call) {
    return FsaExportedCall(handle, {access}, [&](FSAAPI_CONTEXT*) {
        void* indexed = nullptr;
        if (const FSA_STATUS s = FsaGetHandleFromIndex(handle, index, &indexed);
            s != FSA_STS_SUCCESS)
            return s;
        return call(indexed);
    });
}

} // namespace

extern "C" {

FSA_STATUS FsaResetScsiBus(void* handle, std::uint32_t bus) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadWrite},
                           [&](FSAAPI_CONTEXT* ctx) { return resetBus(ctx, bus); });
}

FSA_STATUS FsaResetScsiBusEx(void* handle, std::uint32_t index, std::uint32_t bus) {
    return onIndexedAdapter(handle, FsaAccessSet::ReadWrite, index,
                            [&](void* h) { return FsaResetScsiBus(h, bus); });
}

FSA_STATUS FsaDiagnostic(void* handle, std::uint32_t operation, int* argument,
                         FSA_TEXT_CALLBACK callback, void* user) {
    return FsaExportedCall(handle, {FsaAccessSet::ReadOnly}, [&](FSAAPI_CONTEXT* ctx) {
        return diagnostic(ctx, operation, argument, callback, user);
    });
}

FSA_STATUS FsaDiagnosticEx(void* handle, std::uint32_t index, std::uint32_t operation,
                           int* argument, FSA_TEXT_CALLBACK callback, void* user) {
    return onIndexedAdapter(handle, FsaAccessSet::ReadOnly, index, [&](void* h) {
        return FsaDiagnostic(h, operation, argument, callback, user);
    });
}

FSA_STATUS FsaExposeNewPhysicalSpace(void* handle, const tag_FSA_CONTAINER* container) {
    FsaGuards guards{FsaAccessSet::ReadWrite};
    guards.paused = false; // tested once the adapter lock is held
    return FsaExportedCall(handle, guards, [&](FSAAPI_CONTEXT* ctx) {
        if (ctx->paused.load())
            return FSA_STS_ADAPTER_PAUSED;
        if (!container)
            return FSA_STS_BAD_ARGUMENTS;
        faos_ExposeExtendedContainer(ctx, container->containerNumber);
        return FSA_STS_SUCCESS;
    });
}
}
