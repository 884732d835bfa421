// A rewrite's temporary file, beside the file it will replace, named
// "<prefix>.<pid>.<unique>" so that the library that writes it knows it for
// its own. Its writer holds a lock (flock) on it from creation until it is
// renamed or removed: a temporary of that name whose lock can be taken was
// left by a writer that died.
#pragma once

#include <string>

namespace kor::tempfiles {

class OwnedTemporary {
public:
    // Creates and locks the file (mode 0600); created() tells whether it
    // worked. A removeStaleTemporaries running at the same time in another
    // process never takes it for a dead writer's.
    explicit OwnedTemporary(const std::string& prefix);
    // Removes the file unless it was renamed, then releases the lock.
    ~OwnedTemporary();
    OwnedTemporary(const OwnedTemporary&) = delete;
    OwnedTemporary& operator=(const OwnedTemporary&) = delete;

    bool created() const { return m_lock >= 0; }
    const std::string& path() const { return m_path; }
    // A descriptor of its own to write through (the caller closes it, which
    // reports a delayed write error); the lock stays with this object.
    int openForWriting() const;
    // The caller renamed the file over its target: nothing is left to remove.
    void renamed() { m_renamed = true; }

private:
    std::string m_path;
    int m_lock = -1;
    bool m_renamed = false;
};

// Removes every "<prefix>.<pid>.<unique>" temporary whose writer died, and
// nothing else: not a live writer's, not another name.
void removeStaleTemporaries(const std::string& prefix);

} // namespace kor::tempfiles
