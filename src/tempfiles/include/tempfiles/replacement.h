// A file replaced whole: the new content goes to a temporary beside the
// target, is made durable and is then renamed over the target, so that a
// reader or a crash finds the old file or the whole new one, never a part.
// The temporary is an OwnedTemporary: removed when the replacement fails,
// and removed by a later replacement of the same target when its writer
// died first.
#pragma once

#include "tempfiles/owned_temporary.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace kor::tempfiles {

// What a commit does to a file already at the target.
enum class Existing { Replace, Keep };

class Replacement {
public:
    // Removes the temporaries that dead writers of `prefix` left, then makes
    // this one ("<prefix>.<pid>.<unique>", mode 0600) in the target's
    // directory. The prefix is the target itself unless given.
    explicit Replacement(const std::string& target);
    Replacement(const std::string& target, const std::string& prefix);
    // Removes the temporary unless it was committed.
    ~Replacement();
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;

    bool created() const { return m_fd >= 0; }
    const std::string& temporaryPath() const { return m_temporary.path(); }

    // Appends to the temporary. A failure here, or in setOwner or setMode,
    // makes the commit fail too.
    bool write(const void* data, std::size_t size);
    bool write(std::string_view text) { return write(text.data(), text.size()); }
    bool setOwner(uid_t owner, gid_t group);
    bool setMode(mode_t mode);
    // A descriptor of the caller's own onto the same open file, for content
    // that comes through a stream or another library. The caller closes it
    // before the commit and tells of any failure through fail().
    int openForWriting() const { return m_temporary.openForWriting(); }
    void fail() { m_failed = true; }

    // Syncs the temporary to the disk, closes it and renames it over the
    // target (with Existing::Keep only if no file is there), then syncs the
    // directory. False, with the target untouched, when anything up to the
    // rename failed (errno tells why the rename did). A failed directory sync
    // is not reported: the file is in place and whole either way.
    bool commit(Existing existing = Existing::Replace);

private:
    bool check(bool done);

    std::string m_target;
    OwnedTemporary m_temporary;
    int m_fd = -1;
    bool m_failed = false;
};

} // namespace kor::tempfiles
