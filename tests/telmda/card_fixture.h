// Card descriptions for the data manager stand-in, and the expected views:
// every card object with a distinctive value in each field.
#pragma once

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace telmda_test {

struct ViewField {
    std::uint16_t offset;
    const char* kind; // "u8", "u16", "u32", "text"
    const char* element;
    std::string value; // as the answer shows it
};

struct ViewObject {
    std::uint16_t type;
    std::uint32_t oid;
    const char* element;
    std::uint32_t size;
    std::vector<ViewField> fields;
};

// The card objects the views answer, with their field values.
const std::vector<ViewObject>& viewObjects();
const ViewObject& viewObject(std::uint16_t type);

// A JSON object of the stand-in's description for one object.
nlohmann::json objectJson(std::uint32_t oid, std::uint16_t type, std::uint32_t size,
                          const std::vector<nlohmann::json>& fields,
                          std::vector<std::uint32_t> parents = {1, 2}, int status = 2);
nlohmann::json field(std::uint16_t at, const char* kind, const nlohmann::json& value);

// The whole card: roots, the presence object with the given word, every
// view object, and entries (users 400.., traps 500.., demand dial 600..,
// dial-in users 700..).
nlohmann::json standardCard(std::uint16_t presence = 1);
// Drops the object of the given type from a description.
void removeType(nlohmann::json& card, std::uint16_t type);

} // namespace telmda_test
