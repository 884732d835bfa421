#include "utility.h"

#include <memory>
#include <vector>

namespace {

struct HandleCloser {
    void operator()(HANDLE h) const { CloseHandle(h); }
};
struct SidFreer {
    void operator()(PSID sid) const { FreeSid(sid); }
};

constexpr int kAdministrator = 0;
constexpr int kNotAdministrator = 1;
constexpr int kCheckFailed = 3;

} // namespace

int isAdministrator() {
    HANDLE rawToken = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &rawToken))
        return kCheckFailed;
    std::unique_ptr<void, HandleCloser> token(rawToken);

    DWORD size = 0;
    if (!GetTokenInformation(rawToken, TokenGroups, nullptr, 0, &size) &&
        GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return kCheckFailed;
    std::vector<unsigned char> block(size, 0);
    if (!GetTokenInformation(rawToken, TokenGroups, block.data(), size, &size))
        return kCheckFailed;

    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID rawSid = nullptr;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0, &rawSid))
        return kCheckFailed;
    std::unique_ptr<void, SidFreer> administrators(rawSid);

    const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(block.data());
    int answer = kNotAdministrator;
    // The attributes (enabled or not) are not looked at: membership is enough.
    for (DWORD i = 0; i < groups->GroupCount; ++i) {
        if (!EqualSid(groups->Groups[i].Sid, rawSid))
            continue;
        char name[256], domain[256];
        DWORD nameSize = sizeof name, domainSize = sizeof domain;
        SID_NAME_USE use;
        if (!LookupAccountSidA(nullptr, groups->Groups[i].Sid, name, &nameSize, domain, &domainSize,
                               &use) &&
            GetLastError() != ERROR_NONE_MAPPED)
            return kCheckFailed;
        answer = kAdministrator;
    }
    return answer;
}
