#!/bin/sh
# korraid, unmodified, through the host stand-in libdapi2.so against the
# simulated controller (two adapters): the device list, the pause/resume
# I/O test on one adapter, then the same test on an adapter whose
# controller refuses to pause.
set -u
sim="$SOURCE/platform/qorsim"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
korraid() {
    config="$1"; shift
    "$SOURCE/tests/sandbox/kor-sandbox" -- "$sim/qorsim-run" \
        "$BUILD/platform/qorsim/libqorsim_preload.so" "$config" \
        "$BUILD/src/MorvaneRaidDiag/korraid" "$@"
}

echo "\$ korraid list"
korraid "$sim/examples/two-adapters.json" list
echo "exit code $?"

echo
echo "\$ DIAGLOG=1 korraid run -d 1   (pause I/O for up to 10 s, resume it)"
DIAGLOG=1 korraid "$sim/examples/two-adapters.json" run -d 1
echo "exit code $? (0: passed)"
echo "--- MorvaneRaidCtrlDiag.log"
cat MorvaneRaidCtrlDiag.log

echo
echo "\$ korraid run -d 1   (this controller refuses PAUSE_IO)"
korraid "$sim/examples/pause-refused.json" run -d 1
echo "exit code $? (6: unusual status; error 10: PAUSE_IO_FUNCTION_FAILED)"
