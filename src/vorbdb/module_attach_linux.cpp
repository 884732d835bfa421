// Linux keeps the database and its companions under /etc, set up when the
// library is loaded.
#include "db_paths.h"

extern "C" {

int ModuleAttach(void) {
    vorbdb::attachTo("/etc", '/');
    return 1;
}

int ModuleDetach(void) {
    return 1;
}

} // extern "C"
