#include "perf_data_reader.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

namespace kor::perf {
namespace {

constexpr DWORD kInitialBlock = 51200;
constexpr DWORD kBlockStep = 25600;
// Far beyond any real process list; stops a system that keeps asking for more.
constexpr DWORD kBlockLimit = 64u * 1024 * 1024;

class RegKey {
public:
    explicit RegKey(HKEY key = nullptr) : key_(key) {}
    ~RegKey() {
        if (key_)
            RegCloseKey(key_);
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    HKEY* out() { return &key_; }
    HKEY get() const { return key_; }

private:
    HKEY key_;
};

} // namespace

bool readCounterNames(std::vector<char>& names, std::string& error) {
    char subKey[128];
    std::snprintf(subKey, sizeof subKey, "%s\\%03x",
                  "software\\microsoft\\windows nt\\currentversion\\perflib", 9);
    RegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, subKey, 0, KEY_READ, key.out()) != ERROR_SUCCESS) {
        error = "Could not open performance registry key";
        return false;
    }
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), "Counters", nullptr, nullptr, nullptr, &size) !=
        ERROR_SUCCESS) {
        error = "Could not open counter registry key";
        return false;
    }
    try {
        names.assign(size, '\0');
    } catch (const std::bad_alloc&) {
        error = "Out of Memory";
        return false;
    }
    DWORD read = size;
    if (RegQueryValueExA(key.get(), "Counters", nullptr, nullptr,
                         reinterpret_cast<BYTE*>(names.data()), &read) != ERROR_SUCCESS ||
        read > size) {
        error = "Could Not Read the counter Names";
        return false;
    }
    names.resize(read);
    return true;
}

bool readPerformanceData(const std::string& indexText, std::vector<uint8_t>& block,
                         std::string& error) {
    // Closes the performance-data root key whatever happens.
    RegKey root(HKEY_PERFORMANCE_DATA);
    return readPerformanceData(
        indexText, block, error, [](const char* valueName, uint8_t* data, DWORD* size) {
            return RegQueryValueExA(HKEY_PERFORMANCE_DATA, valueName, nullptr, nullptr, data, size);
        });
}

bool readPerformanceData(const std::string& indexText, std::vector<uint8_t>& block,
                         std::string& error, const PerfDataQuery& query) {
    DWORD capacity = kInitialBlock;
    for (;;) {
        try {
            block.assign(capacity, 0);
        } catch (const std::bad_alloc&) {
            error = "Out of Memory";
            return false;
        }
        // The size argument is reset before every call: the system rewrites it.
        DWORD size = capacity;
        LONG rc = query(indexText.c_str(), block.data(), &size);
        if (rc == ERROR_MORE_DATA) {
            // The block grows to the size answered plus a step. That size is
            // not defined for this key, so a block grows by a step at least.
            DWORD answered = size > capacity ? size : capacity;
            if (answered > kBlockLimit - kBlockStep) {
                error = "Out of Memory";
                return false;
            }
            capacity = answered + kBlockStep;
            continue;
        }
        if (rc != ERROR_SUCCESS || size == 0 || size > capacity || size < 8 ||
            std::memcmp(block.data(), L"PERF", 8) != 0) {
            error = "Could Not Obtain Performance Data";
            return false;
        }
        block.resize(size);
        return true;
    }
}

bool toCodePage(const std::u16string& name, std::size_t capacity, std::string& out) {
    out.assign(capacity, '\0');
    int written = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(name.c_str()), -1,
                                      out.data(), static_cast<int>(capacity), nullptr, nullptr);
    if (written <= 0) {
        out.clear();
        return false;
    }
    out.resize(static_cast<std::size_t>(written) - 1);
    return true;
}

} // namespace kor::perf
