// The simulated card's settings from its JSON configuration file, read
// strictly: every key known, every number within the field it fills on the
// wire, every object, command and user described once.
#pragma once

#include "card_sim.h"

#include <string>

namespace cardsim {

// The settings in `text` over `base`: each key present replaces its field (a
// list replaces the whole list). Throws std::runtime_error naming the key, as
// "/objects/2/group: ...".
Config configFromText(const std::string& text, Config base = Config());

} // namespace cardsim
