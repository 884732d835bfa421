// Counted attach and detach, the load hooks, and the two request entry
// points bracketed by the host's export context.
#include "lifecycle.h"

#include "card_link.h"
#include "host.h"
#include "telmda/telmda.h"

namespace {

int modAttachCount = 0;
// A first attach that failed leaves the module unusable until the count
// drops back to 0: later attaches count but do not report success.
bool attachFailed = false;
void* pContextLock = nullptr;
OCSExportContext origECI = 0;

} // namespace

namespace telmda {

void* contextLock() {
    return pContextLock;
}

} // namespace telmda

extern "C" {

int ModuleAttach(void) {
    if (++modAttachCount > 1)
        return attachFailed ? 0 : 1;
    pContextLock = OCSAllocContextLock();
    attachFailed =
        pContextLock == nullptr || OCSGetExportContext(&origECI) != 0 || DBIntfSortCDT() != 0;
    return attachFailed ? 0 : 1;
}

int ModuleDetach(void) {
    if (modAttachCount < 1)
        return 0;
    if (--modAttachCount > 0)
        return 1;
    if (pContextLock) {
        telmda::releaseCardLink();
        OCSFreeContextLock(pContextLock);
    }
    pContextLock = nullptr;
    attachFailed = false;
    return 1;
}

char* telmda_sendCmd(int32_t paramCount, OCSParamList params) {
    if (attachFailed)
        return nullptr;
    telmda::ExportContextScope context(origECI);
    return DBIntfSendCmd(paramCount, params);
}

void telmda_freeData(char* answer) {
    telmda::ExportContextScope context(origECI);
    DBIntfFreeData(answer);
}

} // extern "C"

namespace {

__attribute__((constructor)) short ModuleInit() {
    return static_cast<short>(ModuleAttach());
}
__attribute__((destructor)) short ModuleFini() {
    return static_cast<short>(ModuleDetach());
}

} // namespace
