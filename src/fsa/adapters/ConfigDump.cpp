// The configuration dump: slice count, serial number, NVRAM and the first
// 64 KiB of every slice in one file.
#include "CtWrappers.h"
#include "OsLayer.h"
#include "Trace.h"

#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kBlock = 512;
constexpr std::size_t kSliceBytes = 65536;
constexpr std::size_t kNvramAt = 512;
constexpr std::size_t kSlicesAt = 8704;
// Far beyond any controller; keeps a bad count from sizing the buffer.
constexpr std::uint32_t kMaxSlices = 1024;

[[noreturn]] void fail(FSA_STATUS status, const char* line, const char* path = nullptr) {
    FsaUxDbgFilePrintf(FSA_DBG_MISC, 2, line, path);
    throw status;
}

class File {
public:
    explicit File(int fd) : m_fd(fd) {}
    ~File() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    int fd() const { return m_fd; }

private:
    int m_fd;
};

} // namespace

void faos_MiscDumpConfigData(FSAAPI_CONTEXT* ctx, const char* path) {
    const std::uint32_t slices = CT_GetSliceCount(ctx);
    if (slices > kMaxSlices)
        throw FSA_STS_OUT_OF_MEMORY;
    const std::size_t size = (std::size_t(slices) * 128 + 17) * kBlock;
    std::vector<std::uint8_t> dump;
    try {
        dump.assign(size, 0);
    } catch (const std::bad_alloc&) {
        throw FSA_STS_OUT_OF_MEMORY;
    }
    File file(::open(path, O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (file.fd() < 0)
        fail(FSA_STS_DUMP_OPEN_FAILED, "MSC_DumpConfigData: can't open %s\n", path);
    std::memcpy(dump.data(), &slices, 4);
    CT_GetSerialNumber(ctx, dump.data() + 4);
    // The controller sends 64 KiB of NVRAM; the dump has room for what lies
    // before the first slice.
    std::vector<std::uint8_t> nvram(CT_NVRAM_BYTES);
    CT_GetNvram(ctx, nvram.data());
    std::memcpy(dump.data() + kNvramAt, nvram.data(), kSlicesAt - kNvramAt);
    for (std::uint32_t i = 0; i < slices; ++i)
        if (!CT_ReadData(ctx, dump.data() + kSlicesAt + std::size_t(i) * kSliceBytes, kSliceBytes,
                         i, 0))
            fail(FSA_STS_DUMP_READ_FAILED, "MSC_DumpConfigData: error reading data\n");
    if (::lseek(file.fd(), 0, SEEK_SET) != 0)
        fail(FSA_STS_DUMP_SEEK_FAILED, "MSC_DumpConfigData: can't seek %s\n", path);
    if (::write(file.fd(), dump.data(), dump.size()) != static_cast<ssize_t>(dump.size()))
        fail(FSA_STS_DUMP_WRITE_FAILED, "MSC_DumpConfigData: can't write\n");
}
