#!/bin/sh
# Memory diagnostic: Orbisk lists the memory device the data manager
# stand-in describes (SMIL_STANDIN_FILE), then tests it on a clean machine,
# on one whose swap space is too small for the test, and on one whose ECC
# logging is off and whose second module reports faults (the first module
# cannot be read). The host prints "progress: P" once a second, the test's
# events as "warning:"/"error: CODE "TEXT"" (the last one is the summary;
# " " means no text) and "result: CODE" (0 passed, 2 failed, 6 unusual).
set -u
. "$SOURCE/scripts/demo.d/lib/checks.sh"
cd "$work" || exit 1
unset DIAGLOG ERRSTR MEMDEBUG DAPI2_OPTIONS TEST_DEV DEBUG_ENUM DEBUG_DIAG
orbisk() {
    machine="$1"
    shift
    echo "\$ SMIL_STANDIN_FILE=$machine Orbisk $*"
    export SMIL_STANDIN_FILE="$SOURCE/platform/datamanager/examples/$machine"
    show "$BUILD/src/Orbisk/Orbisk" "$@"
}

orbisk orbisk-machine.json list
expect_code 0 "the memory was enumerated"
expect_text 'size 65536 KB' "one device: 64 MiB in four modules"

echo
orbisk orbisk-machine.json run -d 0 -t 0
expect_code 0 "every byte was written with the pattern and read back: passed"
expect_text 'warning: 0 " "' "the summary: event 0, test completed successfully"

echo
orbisk orbisk-small-swap.json run
expect_code 6 "unusual status: the test does not start"
expect_text 'warning: 4 " "' "event 4: not enough swap space to test the memory"

echo
orbisk orbisk-faulty-modules.json run
expect_code 2 "failed"
expect_lines "one event per failure bit of module DIMM A2 (its value 31 sets all five)" \
    'warning: 14 "DIMM A2"' 'warning: 15 "DIMM A2"' 'warning: 16 "DIMM A2"' \
    'warning: 17 "DIMM A2"' 'warning: 18 "DIMM A2"'
expect_text 'error: 9 " "' "the summary: event 9, ECC logging is off"
finish
