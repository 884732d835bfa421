#!/bin/sh
# The controller library (linked into korraid) against the simulated RAID
# controller, through a small probe program: it lists the adapters, then
# drives one adapter through open, a raw command, events, tasks and the
# trace file, and finally lists a machine without adapters.
set -u
. "$SOURCE/scripts/demo.d/lib/checks.sh"
shows "korraid's controller library, alone (linked into korraid; here through a small probe program)" \
    "it lists the simulated adapters, and one adapter answers each call of its main road as described"
sim="$SOURCE/platform/qorsim"
probe() {
    config="$1"
    shift
    "$SOURCE/tests/sandbox/kor-sandbox" -- "$sim/qorsim-run" \
        "$BUILD/platform/qorsim/libqorsim_preload.so" "$sim/examples/$config" \
        "$BUILD/tests/fsa/adapters/fsa_probe" "$@"
}

echo "--- adapters of the example machine (two-adapters.json: qor0 and qor2)"
echo "    adapter NAME AVAILABILITY: one line per adapter (3: free for read-write use);"
echo "    end 4: the listing's last callback (4: all adapters iterated); result 1: success"
show probe two-adapters.json enum
expect_code 0 "the probe ran"
expect_lines "both adapters listed, free, and the listing succeeded" \
    "adapter qor0 3" "adapter qor2 3" "end 4" "result 1"

echo
echo "--- one adapter, end to end (qor0); each line: a call and its status (1: success)"
echo "    open: opened read-write; fib 1 paused=0: a raw command answered, I/O not paused;"
echo "    register: event callback registered; poll-empty 336: a second handle polls"
echo "    before any event and is told there is none (336: no pending events); event,"
echo "    poll: an adapter event reaches the callback and the poller; tasks 1 2: two"
echo "    running tasks listed; suspend, resume, follow, wait, end: task calls;"
echo "    trace-reset, trace lines: the trace file emptied, then written; close: both"
echo "    handles closed"
show probe two-adapters.json scenario qor0
expect_code 0 "the scenario ran to its end"
expect_lines "every call answered as described above" "open 1" "fib 1 paused=0" "register 1" \
    "poll-empty 336" "event 0x200000" "poll 1" "tasks 1 2" "suspend 1" "resume 1" "follow 1" \
    "wait 1" "progress seen" "end 1" "trace-reset 1" "trace lines" "close 1 1"

echo
echo "--- a machine without adapters (no-adapters.json)"
show probe no-adapters.json enum
expect_code 0 "the probe ran"
expect_lines "no adapter listed; the listing answers 3 (no adapter)" "end 4" "result 3"
expect_no_text "adapter " "no adapter is reported"
finish
