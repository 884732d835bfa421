// The controller's global cache parameters.
#include "FsaCache.h"
#include "MorvaneRaidCtrl.h"

namespace VarnDiags::MorvaneRaidDiag {

std::unique_ptr<FSA_GLOBAL_CACHE_PARAMS> MorvaneRaidCtrl::getGlobalCacheParams() {
    auto params = std::make_unique<FSA_GLOBAL_CACHE_PARAMS>();
    if (FsaContainerGetGlobalCacheParams(m_adapterHandle, params.get()) != FSA_STS_SUCCESS)
        return nullptr;
    return params;
}

} // namespace VarnDiags::MorvaneRaidDiag
