#include "UfiFiles.h"

#include "FsaStatus.h"
#include "Trace.h"
#include "tempfiles/replacement.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

class Fd {
public:
    explicit Fd(int fd = -1) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// Bytes read (short only at the end of the file), or -1.
long readUpTo(int fd, void* data, std::size_t n) {
    auto* p = static_cast<std::uint8_t*>(data);
    std::size_t done = 0;
    while (done < n) {
        const ssize_t r = ::read(fd, p + done, n - done);
        if (r < 0 && errno == EINTR)
            continue;
        if (r < 0)
            return -1;
        if (r == 0)
            break;
        done += static_cast<std::size_t>(r);
    }
    return static_cast<long>(done);
}

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

// The files of a set being written, each beside its final name; nothing is
// left of them unless all were placed.
class StagedSet {
public:
    ~StagedSet() {
        for (const std::string& p : m_placed)
            ::unlink(p.c_str());
    }
    kor::tempfiles::Replacement& add(const std::string& final) {
        m_finals.push_back(final);
        m_files.push_back(std::make_unique<kor::tempfiles::Replacement>(final));
        m_files.back()->setMode(0644);
        return *m_files.back();
    }
    // Puts every file in place; existing files are replaced only with
    // `overwrite`. On failure the files placed so far are taken away again
    // (they were new).
    bool place(bool overwrite, bool* existed) {
        const auto existing =
            overwrite ? kor::tempfiles::Existing::Replace : kor::tempfiles::Existing::Keep;
        for (std::size_t i = 0; i < m_files.size(); ++i) {
            if (!m_files[i]->commit(existing)) {
                *existed = errno == EEXIST;
                return false;
            }
            if (!overwrite)
                m_placed.push_back(m_finals[i]);
        }
        m_placed.clear();
        return true;
    }

private:
    std::vector<std::string> m_finals, m_placed;
    std::vector<std::unique_ptr<kor::tempfiles::Replacement>> m_files;
};

// Opens file `sequence` of the set: ".ufi" first, then ".UFI".
FSA_STATUS openSetFile(const std::string& base, int sequence, int* fd, std::string* name) {
    *name = createFilename(base, sequence, true);
    if (!exists(*name)) {
        *name = createFilename(base, sequence, false);
        if (!exists(*name))
            return FSA_STS_FLASH_READ_ERROR;
    }
    *fd = ::open(name->c_str(), O_RDONLY | O_CLOEXEC);
    return *fd < 0 ? FSA_STS_FLASH_FILE_NOT_FOUND : FSA_STS_SUCCESS;
}

} // namespace

FSA_STATUS writeUFIToFile(const std::string& base, fileHeader header,
                          const std::vector<imageHeader>& images, const std::vector<UfiImage>& data,
                          std::size_t limit, bool overwrite) {
    std::vector<std::uint8_t> all;
    try {
        for (const UfiImage& image : data) {
            all.insert(all.end(), image.data.begin(), image.data.end());
            all.resize(ufiPadded(all.size()));
        }
    } catch (const std::bad_alloc&) {
        UtilPrintDebugFormatted("Failed to allocate %d bytes for output buffer\n",
                                static_cast<int>(header.totalLength));
        return FSA_STS_OUT_OF_MEMORY;
    }
    const std::size_t headerBytes = ufiHeaderBytes(static_cast<std::uint32_t>(images.size()));
    header.checksum = 0;
    header.checksumComplement = 0xFFFFFFFF;
    std::uint32_t sum = calcChecksum(reinterpret_cast<const std::uint8_t*>(&header), sizeof header);
    sum += calcChecksum(reinterpret_cast<const std::uint8_t*>(images.data()),
                        images.size() * sizeof(imageHeader));
    sum += calcChecksum(all.data(), all.size());
    header.checksum = sum & 0xFFFF;
    header.checksumComplement = ~header.checksum;

    const std::uint32_t files = ufiFileCount(limit, headerBytes, all.size());
    // Every name is checked before anything is written: an existing file is
    // kept unless overwriting, and only a regular file is ever replaced.
    for (std::uint32_t seq = 1; seq <= files; ++seq) {
        const std::string name = createFilename(base, static_cast<int>(seq), true);
        struct stat st;
        if (::lstat(name.c_str(), &st) != 0)
            continue;
        if (!overwrite) {
            UtilPrintDebugFormatted("Error: File %s already exists and will not be overwritten. "
                                    "Please try again with another directory.\n",
                                    name.c_str());
            return FSA_STS_FLASH_FILE_EXISTS;
        }
        if (!S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode)) {
            UtilPrintDebugFormatted("Error: Unable to open %s for output\n", name.c_str());
            return FSA_STS_FLASH_FILE_WRITE;
        }
    }
    StagedSet staged;
    std::size_t done = 0;
    for (std::uint32_t seq = 1; seq <= files; ++seq) {
        const std::string name = createFilename(base, static_cast<int>(seq), true);
        kor::tempfiles::Replacement& file = staged.add(name);
        header.sequence = seq;
        const std::size_t piece = std::min(ufiDataRoom(limit, headerBytes, seq), all.size() - done);
        if (!file.write(&header, sizeof header) ||
            !file.write(images.data(), images.size() * sizeof(imageHeader)) ||
            !file.write(all.data() + done, piece)) {
            UtilPrintDebugFormatted("Error: Unable to open %s for output\n", name.c_str());
            return FSA_STS_FLASH_FILE_WRITE;
        }
        done += piece;
    }
    bool existed = false;
    if (!staged.place(overwrite, &existed))
        return existed ? FSA_STS_FLASH_FILE_EXISTS : FSA_STS_FLASH_FILE_WRITE;
    return FSA_STS_SUCCESS;
}

FSA_STATUS readUFIFromFile(const std::string& base, std::uint8_t* out, std::size_t capacity) {
    fileHeader first{};
    std::size_t total = 0;
    std::uint32_t filesRead = 0;
    for (std::uint32_t seq = 1; seq == 1 || (seq <= first.fileCount && total < first.totalLength);
         ++seq) {
        int raw = -1;
        std::string name;
        if (const FSA_STATUS s = openSetFile(base, static_cast<int>(seq), &raw, &name);
            s != FSA_STS_SUCCESS) {
            UtilPrintDebugFormatted("\nUnable to find file %s in current directory\n",
                                    name.c_str());
            return s;
        }
        const Fd fd(raw);
        fileHeader h;
        if (readUpTo(fd.get(), &h, sizeof h) != static_cast<long>(sizeof h))
            return FSA_STS_FLASH_READ_ERROR;
        if (seq == 1) {
            first = h;
            if (h.imageCount > UFI_MAX_IMAGES || h.totalLength < ufiHeaderBytes(h.imageCount) ||
                h.totalLength > capacity)
                return FSA_STS_FLASH_FORMAT;
            UtilPrintDebugFormatted("Reading flash image file (Build %4d)\n\n",
                                    static_cast<int>(h.build));
        } else {
            if (std::strncmp(h.text, UFI_MAGIC, std::strlen(UFI_MAGIC)) != 0)
                return FSA_STS_FLASH_FILE_NOT_FOUND;
            if (h.build != first.build) {
                UtilPrintDebugFormatted("This file is from build B%4ld, expecting B%4ld.\n",
                                        static_cast<long>(h.build), static_cast<long>(first.build));
                return FSA_STS_FLASH_BUILD_MISMATCH;
            }
            if (h.sequence != seq || h.imageCount != first.imageCount) {
                UtilPrintDebugFormatted("This file is disk %ld, looking for file on disk %ld.\n",
                                        static_cast<long>(h.sequence), static_cast<long>(seq));
                return FSA_STS_FLASH_SEQUENCE;
            }
        }
        const std::size_t tableBytes = UFI_IMAGE_HEADER_BYTES * first.imageCount;
        std::uint8_t table[UFI_IMAGE_HEADER_BYTES * UFI_MAX_IMAGES];
        if (readUpTo(fd.get(), table, tableBytes) != static_cast<long>(tableBytes))
            return FSA_STS_FLASH_SEQUENCE;
        if (seq == 1) {
            std::memcpy(out, &h, sizeof h);
            std::memcpy(out + sizeof h, table, tableBytes);
            total = sizeof h + tableBytes;
        }
        // The rest of the file, never beyond the set's total length.
        for (;;) {
            std::uint8_t piece[1024];
            const long n = readUpTo(fd.get(), piece, sizeof piece);
            if (n < 0)
                return FSA_STS_FLASH_READ_ERROR;
            if (n == 0)
                break;
            if (static_cast<std::size_t>(n) > first.totalLength - total) {
                UtilPrintDebugFormatted("File Size Error: Expected %ld bytes of data, found more\n",
                                        static_cast<long>(first.totalLength));
                return FSA_STS_FLASH_FORMAT;
            }
            std::memcpy(out + total, piece, static_cast<std::size_t>(n));
            total += static_cast<std::size_t>(n);
        }
        ++filesRead;
    }
    if (filesRead != first.fileCount) {
        UtilPrintDebugFormatted("File Format Error: Expected %d file chunks, found only %d\n",
                                static_cast<int>(first.fileCount), static_cast<int>(filesRead));
        return FSA_STS_FLASH_FORMAT;
    }
    std::string message;
    const FSA_STATUS s = ufiValidate(out, total, &message);
    if (s != FSA_STS_SUCCESS)
        UtilPrintDebugFormatted("%s", message.c_str());
    return s;
}
