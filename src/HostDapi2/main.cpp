// Entry of a diagnostic program: the host library owns the run from here.
#include "HostDapi2/HostShell.h"

int main(int argc, char** argv) {
    return VarnDiags::HostDapi2::runHostShell(argc, argv);
}
