#include "standin_state.h"

namespace qlsdm_standin {

void loadJson(const std::string& text) {
    StandIn::instance().load(parseConfiguration(text));
}

void loadFile(const std::string& path) {
    StandIn::instance().load(readConfiguration(path));
}

std::size_t openHandles() {
    return StandIn::instance().openHandles();
}

std::vector<std::string> journal() {
    return StandIn::instance().journal();
}

void clearJournal() {
    StandIn::instance().clearJournal();
}

Sleeper setSleeper(Sleeper sleeper) {
    return StandIn::instance().setSleeper(sleeper);
}

} // namespace qlsdm_standin
