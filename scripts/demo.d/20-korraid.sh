#!/bin/sh
# korraid, unmodified, through the host stand-in libdapi2.so against the
# simulated controller (two adapters): the device list, the pause/resume
# I/O test on one adapter, then the same test on an adapter whose
# controller refuses to pause. The host prints what the program tells it:
# "progress: P" once a second, "warning: CODE "TEXT"" or "error: CODE "TEXT""
# for its events (the last one is the test's summary; " " means no text),
# "result: CODE" for the run's exit code.
set -u
. "$SOURCE/scripts/demo.d/lib/checks.sh"
shows "korraid, the RAID controller diagnostic (Linux program), as a whole" \
    "it lists both adapters, passes its pause/resume test on a working controller and fails it on one that cannot pause"
sim="$SOURCE/platform/qorsim"
cd "$work" || exit 1
# korraid MACHINE ARG...: shows the command, then runs korraid with the
# simulated controller of platform/qorsim/examples/MACHINE under it.
korraid() {
    machine="$1"
    shift
    echo "\$ ${DIAGLOG:+DIAGLOG=$DIAGLOG }qorsim-run libqorsim_preload.so $machine korraid $*"
    show "$SOURCE/tests/sandbox/kor-sandbox" -- "$sim/qorsim-run" \
        "$BUILD/platform/qorsim/libqorsim_preload.so" "$sim/examples/$machine" \
        "$BUILD/src/MorvaneRaidDiag/korraid" "$@"
}

echo "(qorsim-run puts the simulated controller of the machine named before korraid under it)"
echo
korraid two-adapters.json list
expect_code 0 "both adapters were enumerated"
expect_text "devices: 2" "one device per adapter"

echo
echo "(DIAGLOG=1: korraid also writes its diagnostic log)"
export DIAGLOG=1
korraid two-adapters.json run -d 1
unset DIAGLOG
expect_code 0 "the test passed: I/O was paused for up to 10 s and resumed"
expect_text "progress: 100" "the test ran to its end"
expect_text 'warning: 0 " "' "the summary: event 0 (test completed successfully), no further text"
echo "--- MorvaneRaidCtrlDiag.log (written because DIAGLOG is set)"
sed 's/^/    /' MorvaneRaidCtrlDiag.log
expect_text "PASSED TEST_COMPLETED_SUCCESSFULLY" "the diagnostic log records the pass" \
    MorvaneRaidCtrlDiag.log

echo
echo "(pause-refused.json: two adapters again, but qor2, device 1, refuses to pause I/O)"
korraid pause-refused.json run -d 1
expect_code 6 "unusual status: the test could not pause I/O"
expect_text "error: 10 " "error 10 is PAUSE_IO_FUNCTION_FAILED"
finish
