#include "admin_share.h"

#include "entry_parts.h"

namespace {

bool startsWithIgnoringCase(const std::string& text, std::size_t at, const std::string& prefix) {
    return text.size() >= at + prefix.size() &&
           equalsIgnoringCase(text.substr(at, prefix.size()), prefix);
}

// Where the server name begins, or npos when `path` is no network path.
std::size_t serverStart(const std::string& path) {
    if (path.size() < 3 || !isSeparator(path[0]) || !isSeparator(path[1]))
        return std::string::npos;
    if ((path[2] == '?' || path[2] == '.') && path.size() > 3 && isSeparator(path[3])) {
        // "\\?\" and "\\.\" lead to a network path only through "UNC\".
        if (startsWithIgnoringCase(path, 4, "UNC") && path.size() > 7 && isSeparator(path[7]))
            return 8;
        return std::string::npos;
    }
    return 2;
}

// The text from `at` to the next separator; `at` moves past that separator.
std::string component(const std::string& path, std::size_t& at) {
    std::size_t end = at;
    while (end < path.size() && !isSeparator(path[end]))
        ++end;
    std::string part = path.substr(at, end - at);
    at = end;
    return part;
}

bool isLocal(const std::string& host, const std::vector<std::string>& localNames) {
    if (host.rfind("127.", 0) == 0)
        return true;
    for (const std::string& name : localNames)
        if (!name.empty() && equalsIgnoringCase(host, name))
            return true;
    return false;
}

// Where a drive letter followed by ":" begins ("X:", "\\?\X:", "\\.\X:"),
// or npos.
std::size_t driveStart(const std::string& path) {
    std::size_t at = path.size() > 4 && isSeparator(path[0]) && isSeparator(path[1]) &&
                             (path[2] == '?' || path[2] == '.') && isSeparator(path[3])
                         ? 4
                         : 0;
    return path.size() >= at + 2 && isDriveLetter(path[at]) && path[at + 1] == ':'
               ? at
               : std::string::npos;
}

} // namespace

std::string rootByName(const std::string& path) {
    std::size_t drive = driveStart(path);
    if (drive != std::string::npos)
        return path.substr(0, drive + 2) + "\\";
    std::size_t at = serverStart(path);
    if (at == std::string::npos)
        return {};
    std::string prefix = path.substr(0, at);
    std::string server = component(path, at);
    if (server.empty() || at == path.size())
        return {};
    ++at;
    std::string share = component(path, at);
    return share.empty() ? std::string() : prefix + server + "\\" + share + "\\";
}

std::string localFormOfAdminShare(const std::string& path,
                                  const std::vector<std::string>& localNames,
                                  const std::string& windowsDirectory) {
    std::size_t at = serverStart(path);
    if (at == std::string::npos)
        return {};
    std::string host = component(path, at);
    if (host.empty() || !isLocal(host, localNames) || at == path.size())
        return {};
    ++at;
    std::string share = component(path, at);
    std::string rest = path.substr(at);
    if (share.size() == 2 && isDriveLetter(share[0]) && share[1] == '$')
        return std::string(1, share[0]) + ":" + (rest.empty() ? "\\" : rest);
    if (equalsIgnoringCase(share, "ADMIN$") && !windowsDirectory.empty())
        return windowsDirectory + rest;
    return {};
}
