#!/bin/sh
# Haltrix, the Windows process terminator, under wine. The shipped program
# reads the process list from the system's performance data, and wine's
# performance data has no process object: there it finds no process to end.
# The same program linked with a Toolhelp process list (a test build) shows
# the matching and ending that the shipped one does on Windows.
set -u
. "$SOURCE/scripts/demo.d/lib/checks.sh"
. "$SOURCE/scripts/demo.d/lib/wine.sh"
shows "Haltrix, the Windows process terminator (run under wine)" \
    "the program runs, the same program over a process list wine has ends the matching process, and an empty pattern is refused"
bin="$WINBUILD/tests/windows/bin"
# Haltrix takes as its pattern what follows the first blank of its command
# line, quotes not looked at (the clean-up program starts it as "haltrix.exe
# PATTERN"), so both builds run from C:\kordemo, a path without blanks
# wherever the checkout is.
dir="$WINEPREFIX/drive_c/kordemo"
rm -rf "$dir"
mkdir -p "$dir"
cp "$WINBUILD/src/windows/Haltrix/Haltrix.exe" "$bin/HaltrixToolhelp.exe" "$dir/"
cp "$bin/kor_sleeper.exe" "$work/kordemosleeper.exe"
win "$work/kordemosleeper.exe" 60 &
sleeper=$!
sleep 2
echo "a process kordemosleeper.exe runs under wine (it would sleep for 60 s)"
echo "(Haltrix prints nothing; its exit code is 1 when the pattern is empty or ending a matched"
echo "process failed, else 0, also when nothing matched)"

echo
echo "\$ C:\\kordemo\\Haltrix.exe kordemosleeper   (the shipped program)"
show win 'C:\kordemo\Haltrix.exe' kordemosleeper
expect_code 0 "no termination failed"
expect_true "kordemosleeper.exe still runs: wine cannot show the shipped Haltrix its processes" \
    kill -0 "$sleeper"

echo
echo "\$ C:\\kordemo\\HaltrixToolhelp.exe kordemosleeper   (the same program over the Toolhelp process list)"
show win 'C:\kordemo\HaltrixToolhelp.exe' kordemosleeper
expect_code 0 "no termination failed"
ended=no
for _ in $(seq 50); do
    kill -0 "$sleeper" 2>/dev/null || { ended=yes; break; }
    sleep 0.1
done
expect_true "kordemosleeper.exe was ended long before its 60 s" test "$ended" = yes
kill "$sleeper" 2>/dev/null

echo
echo "\$ C:\\kordemo\\Haltrix.exe   (no pattern)"
show win 'C:\kordemo\Haltrix.exe'
expect_code 1 "an empty pattern is refused"
rm -rf "$dir"
finish
