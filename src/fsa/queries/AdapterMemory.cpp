// A dump of controller memory into a file, 512 bytes per request.
#include "CtWrappers.h"
#include "Frame.h"
#include "FsaApi.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr std::uint32_t kPiece = 512;

} // namespace

extern "C" FSA_STATUS FsaReadAdapterMemory(void* handle, unsigned int address, unsigned int length,
                                           int overwrite, const char* path) {
    return FsaExportedCall(handle, {}, [&](FSAAPI_CONTEXT* ctx) {
        const int flags =
            O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | (overwrite ? O_TRUNC : O_EXCL);
        const int fd = path ? ::open(path, flags, 0644) : -1;
        if (fd < 0)
            return !overwrite && errno == EEXIST ? FSA_STS_DUMP_FILE_EXISTS
                                                 : FSA_STS_DUMP_FILE_NOT_CREATED;
        FSA_STATUS status = FSA_STS_SUCCESS;
        std::uint8_t piece[kPiece];
        for (std::uint32_t done = 0; done < length && status == FSA_STS_SUCCESS;) {
            const std::uint32_t n = std::min(kPiece, length - done);
            status = CT_GetMemory(ctx, address + done, n, piece);
            if (status == FSA_STS_SUCCESS && ::write(fd, piece, n) != static_cast<ssize_t>(n))
                status = FSA_STS_DUMP_FILE_SHORT_WRITE;
            done += n;
        }
        ::close(fd);
        return status;
    });
}
