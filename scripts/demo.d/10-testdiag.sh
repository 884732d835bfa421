#!/bin/sh
# The diagnostic framework and host shell, shown with the scripted test
# program through the stand-in host library (until the real diagnostics
# take its place here).
set -u
PROG="$BUILD/tests/hostshell/testdiag"
export TESTDIAG_DEVICES="0,3,1,RAID controller;1,4,2,Fibre Channel adapter"
# A shell "second" of 50 ms; tests of steps of 100 ms.
export TESTDIAG_SECOND_MS=50 TESTDIAG_STEP_MS=100

echo "\$ testdiag list"
"$PROG" list
echo "exit code $?"

echo
echo "\$ testdiag run -d 1 -t 0   (one test queues a warning, the second fails)"
TESTDIAG_TESTS="P+w5,F7+e9" TESTDIAG_STEPS=3 "$PROG" run -d 1 -t 0
echo "exit code $? (2: failed)"

echo
echo "\$ testdiag run --stop-after-polls 2   (a long test stopped by the host)"
TESTDIAG_TESTS="H" "$PROG" run --stop-after-polls 2
echo "exit code $? (8: aborted)"
