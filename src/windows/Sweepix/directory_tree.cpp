#include "utility.h"

#include "deletion_guard.h"
#include "file_identity.h"
#include "trace.h"

namespace {

// One directory listing, closed when it goes out of scope.
class Listing {
public:
    explicit Listing(const std::string& pattern) : find_(FindFirstFileA(pattern.c_str(), &data_)) {}
    ~Listing() {
        if (find_ != INVALID_HANDLE_VALUE)
            FindClose(find_);
    }
    Listing(const Listing&) = delete;
    Listing& operator=(const Listing&) = delete;
    bool started() const { return find_ != INVALID_HANDLE_VALUE; }
    const WIN32_FIND_DATAA& entry() const { return data_; }
    bool next() { return FindNextFileA(find_, &data_) != 0; }

private:
    WIN32_FIND_DATAA data_{};
    HANDLE find_;
};

bool isDotEntry(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Calls `visit` for every entry matching `pattern` but "." and ".." (told by
// name: a drive root lists neither), until it answers false. Answers false
// when the listing cannot be started.
template <typename Visit> bool forEachEntry(const std::string& pattern, Visit visit) {
    Listing listing(pattern);
    if (!listing.started())
        return false;
    do {
        if (!isDotEntry(listing.entry().cFileName) && !visit(listing.entry()))
            break;
    } while (listing.next());
    return true;
}

bool isDirectory(const WIN32_FIND_DATAA& entry) {
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A symbolic link or junction: its target is somewhere else and is never entered.
bool isLink(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

void removeDirectoryTraced(const std::string& path) {
    RemoveDirectoryA(path.c_str());
    formatTrace("Removed Directory: %s\n", path.c_str());
}

bool isGone(const std::string& path) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return true;
    FindClose(find);
    return false;
}

void traceDeleteCall(const std::string& path, bool recurse) {
    formatTrace("DeleteDirectory(%s, recurse = %s)\n", path.c_str(), recurse ? "true" : "false");
}

// Levels below the directory handed to DeleteDirectory that are entered:
// deeper than any installed tree, and well within what a path of MAX_PATH
// characters can reach.
constexpr int kMaxDepth = 64;

// Whether `child`, listed in the directory `listed` (when its identity is
// known), may be entered at `depth`: a listing of a path that Windows reads
// otherwise than the program (one holding a NUL, say) can answer the listed
// directory itself, and entering that would never end.
bool mayEnter(const FileIdentity* listed, const std::string& child, int depth) {
    if (depth > kMaxDepth) {
        formatTrace("DeleteDirectory: %s is more than %d levels deep, not entered\n", child.c_str(),
                    kMaxDepth);
        return false;
    }
    FileIdentity entered;
    DWORD error = 0;
    if (listed && identityOf(child, entered, error) && *listed == entered) {
        formatTrace("DeleteDirectory: %s opens the directory being listed, not entered\n",
                    child.c_str());
        return false;
    }
    return true;
}

// Below the directory the guard let through no link is entered, so nothing
// reached here needs the guard again.
bool deleteTree(const std::string& path, bool recurse, int depth) {
    traceDeleteCall(path, recurse);
    if (isLink(GetFileAttributesA(path.c_str()))) {
        // The link goes, what it points to stays.
        removeDirectoryTraced(path);
        return isGone(path);
    }
    FileIdentity self;
    DWORD error = 0;
    const FileIdentity* listedIdentity = identityOf(path, self, error) ? &self : nullptr;
    bool listed = forEachEntry(path + "\\*.*", [&](const WIN32_FIND_DATAA& entry) {
        std::string child = path + "\\" + entry.cFileName;
        if (!isDirectory(entry)) {
            // Clears read-only; for a file link, removes the link itself.
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(child.c_str());
        } else if (recurse &&
                   (isLink(entry.dwFileAttributes) || mayEnter(listedIdentity, child, depth + 1))) {
            if (!isLink(entry.dwFileAttributes))
                deleteTree(child, recurse, depth + 1);
            removeDirectoryTraced(child);
        }
        return true;
    });
    if (!listed)
        return true;
    removeDirectoryTraced(path);
    return isGone(path);
}

} // namespace

bool DeleteDirectory(const std::string& path, bool recurse) {
    std::string refusal = deletionRefusal(path);
    if (!refusal.empty()) {
        traceDeleteCall(path, recurse);
        formatTrace("DeleteDirectory: refused to delete %s (%s)\n", path.c_str(), refusal.c_str());
        return false;
    }
    return deleteTree(path, recurse, 0);
}

bool hasSubDirectory(const std::string& path) {
    formatTrace("utility.cpp: hasSubDirectory(%s)\n", path.c_str());
    bool answer = false;
    bool listed = forEachEntry(path + "\\*", [&](const WIN32_FIND_DATAA& entry) {
        if (isDirectory(entry)) {
            formatTrace("utility.cpp: subDirectory %s exists\n",
                        (path + "\\" + entry.cFileName).c_str());
            answer = true;
        }
        return true;
    });
    if (!listed)
        answer = true;
    if (answer)
        formatTrace("utility.cpp: Directory %s does not exist or has subdirectories\n",
                    path.c_str());
    else
        formatTrace("utility.cpp: Directory %s has no subdirectories\n", path.c_str());
    return answer;
}

bool CopyDirectory(const std::string& source, const std::string& destination, bool recurse) {
    formatTrace("CopyDirectory(%s, %s, recurse = %s)\n", source.c_str(), destination.c_str(),
                recurse ? "true" : "false");
    HANDLE existing = CreateFileA(destination.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (existing == INVALID_HANDLE_VALUE) {
        traceLastError();
        if (!CreateDirectoryA(destination.c_str(), nullptr)) {
            formatTrace("Unable to create destination directory: %s!\n", destination.c_str());
            traceLastError();
            return false;
        }
    } else {
        CloseHandle(existing);
    }
    bool copied = true;
    forEachEntry(source + "\\*.*", [&](const WIN32_FIND_DATAA& entry) {
        std::string from = source + "\\" + entry.cFileName;
        std::string to = destination + "\\" + entry.cFileName;
        if (!isDirectory(entry)) {
            formatTrace("Copying %s to %s\n", from.c_str(), to.c_str());
            if (!CopyFileA(from.c_str(), to.c_str(), FALSE)) {
                copied = false;
                return false;
            }
            SetFileAttributesA(to.c_str(), FILE_ATTRIBUTE_NORMAL);
        } else if (recurse && !isLink(entry.dwFileAttributes)) {
            // A link is not entered: it could lead back into the source.
            CreateDirectoryA(to.c_str(), nullptr);
            CopyDirectory(from, to, recurse);
        }
        return true;
    });
    return copied;
}
