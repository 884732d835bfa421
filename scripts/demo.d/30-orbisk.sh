#!/bin/sh
# Memory diagnostic: Orbisk lists the memory device the data manager
# stand-in describes, then tests it on a clean machine and on one whose
# ECC logging is off and whose second module reports faults (the first
# module cannot be read).
set -u
PROG="$BUILD/src/Orbisk/Orbisk"
EXAMPLES="$SOURCE/platform/datamanager/examples"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
cd "$WORK" || exit 1
unset DIAGLOG ERRSTR MEMDEBUG DAPI2_OPTIONS TEST_DEV DEBUG_ENUM DEBUG_DIAG

run() {
    machine="$1"
    shift
    echo "--- SMIL_STANDIN_FILE=$machine Orbisk $*"
    SMIL_STANDIN_FILE="$EXAMPLES/$machine" "$PROG" "$@"
    echo "(exit code $?)"
}
run orbisk-machine.json list
run orbisk-machine.json run -d 0 -t 0
run orbisk-small-swap.json run
run orbisk-faulty-modules.json run
