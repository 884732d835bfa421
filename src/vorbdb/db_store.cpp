#include "db_store.h"

#include "sleeper.h"
#include "vorbdb/vorbdb.h"

namespace vorbdb {
namespace {

// Runs `attempt` up to `attempts` times, waiting between them, while `retry`
// says its result is worth another try.
template <class Retry, class Attempt> auto withRetries(int attempts, Retry retry, Attempt attempt) {
    auto result = attempt();
    for (int i = 1; i < attempts && retry(result); ++i) {
        waitBeforeRetry();
        result = attempt();
    }
    return result;
}

bool replaceWithRetries(const char* from, const char* to) {
    for (int i = 0; i < os::kReplaceAttempts; ++i) {
        if (i > 0)
            waitBeforeRetry();
        if (AuCopyFile(from, to, 0))
            return true;
    }
    return false;
}

// Tries `attempts` times while the open fails for a reason other than a
// missing file.
os::ReadResult readWithRetries(const DbPaths& paths, int attempts, std::string& content) {
    return withRetries(
        attempts, [](os::ReadResult r) { return r == os::ReadResult::Failed; },
        [&] { return os::readFile(paths.database, content); });
}

} // namespace

os::ReadResult readDatabase(const DbPaths& paths, std::string& content) {
    if (!paths.initialized)
        return os::ReadResult::Failed;
    os::FileLock lock(paths.lock, os::LockMode::Shared);
    return readWithRetries(paths, 1, content);
}

RewriteStatus rewriteDatabase(const DbPaths& paths, const RewritePolicy& policy,
                              const Editor& edit) {
    if (!paths.initialized)
        return RewriteStatus::LockFailed;
    os::FileLock lock(paths.lock, os::LockMode::Exclusive);
    if (!lock.held())
        return RewriteStatus::LockFailed;
    os::removeStaleTempFiles(paths.temporary);

#ifdef _WIN32
    // Thread-local objects with destructors make the Windows runtime import a
    // call that Windows NT 4.0 does not have: fresh buffers there.
    std::string current;
    std::string next;
#else
    // Each thread keeps its two buffers from one rewrite to the next, so that
    // a large database is not copied into freshly faulted pages every time.
    thread_local std::string current;
    thread_local std::string next;
#endif
    os::ReadResult read = readWithRetries(paths, policy.databaseOpenAttempts, current);
    if (read == os::ReadResult::Failed)
        return RewriteStatus::ReadFailed;

    next.clear();
    next.reserve(current.size()); // editors that add reserve their own part
    if (!edit(current, read == os::ReadResult::Ok, next))
        return RewriteStatus::Unchanged;

    os::TempFile temp;
    os::TempResult written = withRetries(
        policy.tempOpenAttempts, [](os::TempResult r) { return r == os::TempResult::OpenFailed; },
        [&] { return os::writeTempFile(paths.temporary, paths.database, next, temp); });
    if (written == os::TempResult::OpenFailed)
        return RewriteStatus::TempOpenFailed;
    if (written == os::TempResult::WriteFailed)
        return RewriteStatus::TempWriteFailed;

    if (!lock.stillHeld())
        return RewriteStatus::LockFailed; // another writer may hold a lock of its own now
    if (!replaceWithRetries(temp.path(), paths.database))
        return RewriteStatus::ReplaceFailed; // the temporary goes with `temp`
    temp.moved();
    return RewriteStatus::Replaced;
}

} // namespace vorbdb
