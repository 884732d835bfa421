// The library sets its paths up when it is loaded.
#include "db_paths.h"

namespace {

__attribute__((constructor)) void onLoad() {
    ModuleAttach();
}
__attribute__((destructor)) void onUnload() {
    ModuleDetach();
}

} // namespace
