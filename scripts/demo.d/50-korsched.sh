#!/bin/sh
# libkorsched: the scheduler's native methods called from a real JVM write
# a nightly run into /etc/crontab and remove it again. Runs in the sandbox,
# where /etc is private: the machine's crontab is never touched.
set -u
[ "${1:-}" = inside ] || exec "$SOURCE/tests/sandbox/kor-sandbox" -- sh "$0" inside
. "$SOURCE/scripts/demo.d/lib/checks.sh"
javac -d "$work/classes" "$SOURCE/platform/java/com/varn/diagnostic/obj/scheduler/BaseScheduler.java" \
    "$SOURCE/scripts/demo.d/lib/SchedulerCall.java" || exit 1
scheduler() {
    java -Xcheck:jni -Djava.library.path="$BUILD/src/korsched" -cp "$work/classes" SchedulerCall "$@"
}
line="30 2 * * * root /opt/diag/run 7/4/2005 -q"

echo "\$ BaseScheduler.scheduleTask(7, 4, 2005, 2, 30, 0 (daily), \"/opt/diag/run\", \"/opt/diag\", \"nightly\", \"-q\")"
show scheduler schedule 0
expect_code 11 "the call returned 1 (scheduled)"
expect_text "Scheduling task completed successfully" "the library reports the line written"
echo "--- the lines of /etc/crontab that run /opt/diag/run:"
grep -F /opt/diag/run /etc/crontab | sed 's/^/    /'
expect_text "$line" "a daily run at 02:30 as root, with its first date and parameter" /etc/crontab

echo
echo "\$ BaseScheduler.deleteTask(\"/opt/diag/run\", \"/opt/diag\", \"nightly\")"
show scheduler delete
expect_code 11 "the call returned 1 (deleted)"
expect_no_text "/opt/diag/run" "the line is gone from /etc/crontab, the others stay" /etc/crontab
finish
