#!/bin/sh
# libkorsched: the scheduler's native methods called from a real JVM write
# a nightly run into /etc/crontab and remove it again, leaving every other
# line as it was. Runs in the sandbox, where /etc is private: the machine's
# crontab is never touched.
set -u
[ "${1:-}" = inside ] || exec "$SOURCE/tests/sandbox/kor-sandbox" -- sh "$0" inside
. "$SOURCE/scripts/demo.d/lib/checks.sh"
shows "libkorsched, the scheduler's Java native methods (Linux shared library)" \
    "the run is added to /etc/crontab as one line and removed again, and every other line stays"
javac -d "$work/classes" "$SOURCE/platform/java/com/varn/diagnostic/obj/scheduler/BaseScheduler.java" \
    "$SOURCE/scripts/demo.d/lib/SchedulerCall.java" || exit 1
scheduler() {
    java -Xcheck:jni -Djava.library.path="$BUILD/src/korsched" -cp "$work/classes" SchedulerCall "$@"
}
scheduled="30 2 * * * root /opt/diag/run 7/4/2005 -q"
# A line of another program, so that the crontab always holds one the calls must keep.
echo "45 3 * * * root /usr/local/bin/rotate-reports --quiet" >>/etc/crontab
cp /etc/crontab "$work/crontab.before"
echo "--- /etc/crontab before the calls (the machine's, with a line of another program added)"
sed 's/^/    /' /etc/crontab

echo
echo "\$ BaseScheduler.scheduleTask(7, 4, 2005, 2, 30, 0 (daily), \"/opt/diag/run\", \"/opt/diag\", \"nightly\", \"-q\")"
show scheduler schedule 0
expect_code 0 "the JVM ran the call to its end"
expect_lines "the call returned 1: the line was written" "result: 1"
echo "--- the lines of /etc/crontab that run /opt/diag/run:"
grep -F /opt/diag/run /etc/crontab | sed 's/^/    /'
expect_text "$scheduled" "a daily run at 02:30 as root, with its first date and parameter" /etc/crontab
expect_true "it is the only line that runs /opt/diag/run" \
    test "$(grep -cF /opt/diag/run /etc/crontab)" = 1
grep -vF /opt/diag/run /etc/crontab >"$work/crontab.others"
expect_same_lines "every other line is as before" "$work/crontab.before" "$work/crontab.others"

echo
echo "\$ BaseScheduler.deleteTask(\"/opt/diag/run\", \"/opt/diag\", \"nightly\")"
show scheduler delete
expect_code 0 "the JVM ran the call to its end"
expect_lines "the call returned 1: the program's lines were removed" "result: 1"
expect_no_text "/opt/diag/run" "the line is gone from /etc/crontab" /etc/crontab
expect_same_lines "every other line, the other program's included, is as before the calls" \
    "$work/crontab.before" /etc/crontab
finish
