#pragma once
// Named facts of a device, diagnostic or test (name -> value).

#include <map>
#include <string>

namespace VarnDiags::System {

class CharacteristicsMap {
public:
    // False (and no change) when the key is already there.
    bool addCharacteristic(const std::string& key, const std::string& value);
    // On success `value` receives a new string the caller owns; on failure
    // it is left untouched.
    bool getCharacteristic(const std::string& key, std::string*& value) const;
    bool removeCharacteristic(const std::string& key);
    // Replaces an existing entry only; never inserts.
    bool updateCharacteristic(const std::string& key, const std::string& value);

private:
    std::map<std::string, std::string> m_map;
};

} // namespace VarnDiags::System
