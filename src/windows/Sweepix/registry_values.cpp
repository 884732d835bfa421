#include "utility.h"

#include "trace.h"

namespace {

constexpr DWORD kValueBytes = 1024;

class Key {
public:
    Key() = default;
    ~Key() {
        if (key_)
            RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;
    // The system's code of the open (ERROR_SUCCESS when it is open).
    LONG open(HKEY root, const std::string& subKey, REGSAM access) {
        return RegOpenKeyExA(root, subKey.c_str(), 0, access, &key_);
    }
    HKEY get() const { return key_; }
    // Closes now, answering whether the system closed it.
    bool close() {
        HKEY key = key_;
        key_ = nullptr;
        return RegCloseKey(key) == ERROR_SUCCESS;
    }

private:
    HKEY key_ = nullptr;
};

int setValue(HKEY root, const std::string& subKey, const std::string& valueName,
             const std::string& value, DWORD type) {
    Key key;
    if (key.open(root, subKey, KEY_ALL_ACCESS) != ERROR_SUCCESS)
        return -1;
    if (RegSetValueExA(key.get(), valueName.c_str(), 0, type,
                       reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>(value.size() + 1)) != ERROR_SUCCESS)
        return -1;
    return 0;
}

} // namespace

std::string GetValueFromRegistry(HKEY root, const std::string& subKey,
                                 const std::string& valueName) {
    formatTrace("GetValueFromRegistry\n");
    Key key;
    if (key.open(root, subKey, KEY_READ) != ERROR_SUCCESS) {
        formatTrace("GetValueFromRegistry: Failed to get handle to key %s\n", subKey.c_str());
        return {};
    }
    // One byte more than asked for, so that a value stored without its
    // terminator is still ended where the system says it ends.
    char buffer[kValueBytes + 1];
    DWORD size = kValueBytes;
    if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, nullptr,
                         reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
        size > kValueBytes) {
        formatTrace("GetValueFromRegistry: RegQueryValueEx failed.\n");
        return {};
    }
    buffer[size] = '\0';
    if (!key.close())
        formatTrace("GetValueFromRegistry: RegCloseKey failed.\n");
    return std::string(buffer);
}

int setRegistryString(HKEY root, const std::string& subKey, const std::string& valueName,
                      const std::string& value) {
    return setValue(root, subKey, valueName, value, REG_SZ);
}

int setRegistryExpandString(HKEY root, const std::string& subKey, const std::string& valueName,
                            const std::string& value) {
    return setValue(root, subKey, valueName, value, REG_EXPAND_SZ);
}

int deleteRegistryValue(HKEY root, const std::string& subKey, const std::string& valueName) {
    return deleteRegistryValueCode(root, subKey, valueName) == ERROR_SUCCESS ? 0 : -1;
}

LONG deleteRegistryValueCode(HKEY root, const std::string& subKey, const std::string& valueName) {
    Key key;
    LONG code = key.open(root, subKey, KEY_ALL_ACCESS);
    if (code != ERROR_SUCCESS)
        return code;
    return RegDeleteValueA(key.get(), valueName.c_str());
}
