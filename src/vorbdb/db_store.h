// Reading the database and rewriting it safely: every rewrite holds the lock
// file across read, rewrite and replace, writes a fresh temporary file beside
// the database and moves it over the database in one step. A failure at any
// point leaves the database as it was and no temporary file behind; the
// temporaries of writers that died are removed by the next rewrite.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "db_paths.h"
#include "os_port.h"

namespace vorbdb {

enum class RewriteStatus {
    Replaced,  // the database now holds the new content
    Unchanged, // the editor had nothing to change; nothing was written
    LockFailed,
    ReadFailed,
    TempOpenFailed,
    TempWriteFailed,
    ReplaceFailed,
};

struct RewritePolicy {
    int databaseOpenAttempts = 1; // retries of a failed open; a missing file is final
    int tempOpenAttempts = 1;
};

// Builds the new content from the current one (empty and `existed` false when
// there is no database yet); returns false when there is nothing to change.
using Editor = std::function<bool(std::string_view current, bool existed, std::string& next)>;

RewriteStatus rewriteDatabase(const DbPaths& paths, const RewritePolicy& policy,
                              const Editor& edit);

// Reads the database between rewrites. Readers take the lock shared where
// they can: on Windows a reader holding the file would make a replace wait.
// Without the lock (a read-only directory) the read still sees one whole
// version, since a replace is a single rename.
os::ReadResult readDatabase(const DbPaths& paths, std::string& content);

} // namespace vorbdb
