// The controller's diagnostic text dump, written into a file.
#include "FsaMaintenance.h"
#include "MorvaneRaidCtrl.h"

#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace VarnDiags::MorvaneRaidDiag {

namespace {

constexpr std::uint32_t kDumpText = 0;

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

// A temporary file beside `target`, renamed over it once written whole, so
// a failed write never leaves a cut dump behind and a link in the file's
// place is replaced, not followed.
class ReplacementFile {
public:
    explicit ReplacementFile(const char* target) : m_target(target), m_temp(m_target + ".XXXXXX") {
        const int fd = ::mkstemp(m_temp.data());
        if (fd < 0)
            return;
        m_created = true;
        m_file.reset(::fdopen(fd, "w"));
        if (!m_file)
            ::close(fd);
        else if (::fchmod(fd, 0664) != 0)
            m_file.reset();
    }
    ~ReplacementFile() {
        if (m_created)
            ::unlink(m_temp.c_str());
    }
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    std::FILE* stream() const { return m_file.get(); }
    // Closes the file and puts it in place; false when any write failed.
    bool commit() {
        std::FILE* f = m_file.release();
        const bool written = std::ferror(f) == 0;
        if (std::fclose(f) != 0 || !written || ::rename(m_temp.c_str(), m_target.c_str()) != 0)
            return false;
        m_created = false;
        return true;
    }

private:
    std::string m_target;
    std::string m_temp;
    bool m_created = false;
    std::unique_ptr<std::FILE, FileCloser> m_file;
};

} // namespace

void DiagDumpCallback(const char* text, void* stream) {
    if (text)
        std::fputs(text, static_cast<std::FILE*>(stream));
}

bool MorvaneRaidCtrl::dumpDiagnosticLog(const char* fileName) {
    ReplacementFile file(fileName);
    if (!file.stream())
        return false;
    int count = -1;
    const FSA_STATUS status =
        FsaDiagnostic(m_adapterHandle, kDumpText, &count, &DiagDumpCallback, file.stream());
    return file.commit() && status == FSA_STS_SUCCESS;
}

} // namespace VarnDiags::MorvaneRaidDiag
