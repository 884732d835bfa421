#include "ParamChecks.h"

#include "Context.h"
#include "OsLayer.h"

bool PCK_HasNoHostDriver(const FSAAPI_CONTEXT* ctx) {
    return ctx->connectionType == FSA_CONNECTION_LOCAL && ctx->simulatorKind == 1;
}

FSA_STATUS FsaValidHostOs() {
    const std::uint32_t os = faos_GetOSType();
    return (os == 2 || os == 7 || os == 8) ? FSA_STATUS(FSA_STS_INVALID_HOST_OS) : FSA_STS_SUCCESS;
}
