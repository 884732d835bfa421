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
shows "Orbisk, the memory diagnostic (Linux program)" \
    "it lists the memory, passes its pattern test on a clean machine and names the reason on the two machines it must not pass"
cd "$work" || exit 1
unset DIAGLOG ERRSTR MEMDEBUG DAPI2_OPTIONS TEST_DEV DEBUG_ENUM DEBUG_DIAG
orbisk() {
    machine="$1"
    shift
    echo "\$ ${DIAGLOG:+DIAGLOG=$DIAGLOG }SMIL_STANDIN_FILE=$machine Orbisk $*"
    export SMIL_STANDIN_FILE="$SOURCE/platform/datamanager/examples/$machine"
    show "$BUILD/src/Orbisk/Orbisk" "$@"
}

orbisk orbisk-machine.json list
expect_code 0 "the memory was enumerated"
expect_text 'size 65536 KB' "one device: 64 MiB in four modules"

echo
echo "(DIAGLOG=1: Orbisk also writes its logs, which say what the test did)"
export DIAGLOG=1
orbisk orbisk-machine.json run -d 0 -t 0
unset DIAGLOG
expect_code 0 "passed"
expect_text 'warning: 0 " "' "the summary: event 0, test completed successfully"
echo "--- from OrbiskApp.log and Orbisknostic.log: the memory taken, the pattern threads, the verdict"
grep -hE 'allocMemory\(\) (Should Allocate|Allocated): [0-9]+$|patternTestFunction\(\) Completed|dimmsStatusOk|run\(\) Status=' \
    OrbiskApp.log Orbisknostic.log | sed 's/^/    /'
expect_text "allocMemory() Allocated: 65536" "all 64 MiB (65536 KB) were taken for the test" OrbiskApp.log
expect_text "patternTestFunction() Completed" "the pattern threads ran to their end" OrbiskApp.log
expect_text "run() Status= 0" \
    "status 0: no pattern mismatch (3), no failed allocation (2), no failed thread (1)" Orbisknostic.log

echo
rm -f ./*.log
export DIAGLOG=1
orbisk orbisk-small-swap.json run
unset DIAGLOG
expect_code 6 "unusual status: the memory could not be tested"
expect_text 'warning: 4 " "' "event 4: not enough swap space to test the memory"
expect_no_text "allocMemory" "no memory was taken: the pattern test did not start" OrbiskApp.log

echo
orbisk orbisk-faulty-modules.json run
expect_code 2 "failed"
expect_lines "one event per failure bit of module DIMM A2 (its value 31 sets all five)" \
    'warning: 14 "DIMM A2"' 'warning: 15 "DIMM A2"' 'warning: 16 "DIMM A2"' \
    'warning: 17 "DIMM A2"' 'warning: 18 "DIMM A2"'
expect_text 'error: 9 " "' "the summary: event 9, ECC logging is off"
finish
