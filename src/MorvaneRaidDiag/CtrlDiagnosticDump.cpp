// The controller's diagnostic text dump, written into a file.
#include "FsaMaintenance.h"
#include "MorvaneRaidCtrl.h"
#include "tempfiles/replacement.h"

#include <cstdio>
#include <unistd.h>

namespace VarnDiags::MorvaneRaidDiag {

namespace {

constexpr std::uint32_t kDumpText = 0;

} // namespace

void DiagDumpCallback(const char* text, void* stream) {
    if (text)
        std::fputs(text, static_cast<std::FILE*>(stream));
}

// The dump replaces the file whole, so a failed write never leaves a cut dump
// behind, and a link in the file's place is replaced, not followed.
bool MorvaneRaidCtrl::dumpDiagnosticLog(const char* fileName) {
    kor::tempfiles::Replacement file(fileName);
    if (!file.setMode(0664))
        return false;
    const int fd = file.openForWriting();
    std::FILE* stream = fd >= 0 ? ::fdopen(fd, "w") : nullptr;
    if (!stream) {
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    int count = -1;
    const FSA_STATUS status =
        FsaDiagnostic(m_adapterHandle, kDumpText, &count, &DiagDumpCallback, stream);
    const bool written = std::ferror(stream) == 0;
    if (std::fclose(stream) != 0 || !written)
        file.fail();
    return file.commit() && status == FSA_STS_SUCCESS;
}

} // namespace VarnDiags::MorvaneRaidDiag
