#include "System/CharacteristicsMap.h"

namespace VarnDiags::System {

bool CharacteristicsMap::addCharacteristic(const std::string& key, const std::string& value) {
    return m_map.emplace(key, value).second;
}

bool CharacteristicsMap::getCharacteristic(const std::string& key, std::string*& value) const {
    auto found = m_map.find(key);
    if (found == m_map.end())
        return false;
    value = new std::string(found->second);
    return true;
}

bool CharacteristicsMap::removeCharacteristic(const std::string& key) {
    return m_map.erase(key) == 1;
}

bool CharacteristicsMap::updateCharacteristic(const std::string& key, const std::string& value) {
    auto found = m_map.find(key);
    if (found == m_map.end())
        return false;
    found->second = value;
    return true;
}

} // namespace VarnDiags::System
