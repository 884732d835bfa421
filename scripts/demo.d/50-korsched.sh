#!/bin/sh
# libkorsched: the scheduler's native methods called from a real JVM write a
# nightly run into /etc/crontab as a daily, a weekly, a monthly and a one-time
# task in turn, each replacing the one before, and remove it again, leaving
# every other line as it was. Runs in the sandbox, where /etc is private: the
# machine's crontab is never touched.
set -u
[ "${1:-}" = inside ] || exec "$SOURCE/tests/sandbox/kor-sandbox" -- sh "$0" inside
. "$SOURCE/scripts/demo.d/lib/checks.sh"
shows "libkorsched, the scheduler's Java native methods (Linux shared library)" \
    "each kind of task is written to /etc/crontab as exactly its one line, with the weekday and day of month of its date, and removed again, and every other line stays"
javac -d "$work/classes" "$SOURCE/platform/java/com/varn/diagnostic/obj/scheduler/BaseScheduler.java" \
    "$SOURCE/scripts/demo.d/lib/SchedulerCall.java" || exit 1
scheduler() {
    java -Xcheck:jni -Djava.library.path="$BUILD/src/korsched" -cp "$work/classes" SchedulerCall "$@"
}
# The date the tasks are first due on, and what cron is to be told of it
# (cron counts the weekdays from 0, Sunday, as date's %w does).
month=9 day=21 year=2029
weekday=$(date -d "$year-$month-$day" +%w)
run="root /opt/diag/run $month/$day/$year -q"
# A line of another program, so that the crontab always holds one the calls must keep.
echo "45 3 * * * root /usr/local/bin/rotate-reports --quiet" >>/etc/crontab
cp /etc/crontab "$work/crontab.before"
echo "--- /etc/crontab before the calls (the machine's, with a line of another program added)"
sed 's/^/    /' /etc/crontab
echo "the tasks are first due on $month/$day/$year, a $(date -d "$year-$month-$day" +%A) (weekday $weekday)"

# schedule TYPE MEANING LINE: schedules the run as a task of TYPE; LINE must
# then be the one line of /etc/crontab that runs /opt/diag/run, exactly.
schedule() {
    echo
    echo "\$ BaseScheduler.scheduleTask($month, $day, $year, 2, 30, $1, \"/opt/diag/run\", \"/opt/diag\", \"nightly\", \"-q\")"
    show scheduler schedule "$1" "$month" "$day" "$year"
    expect_code 0 "the JVM ran the call to its end"
    expect_lines "the call returned 1: the line was written" "result: 1"
    echo "--- the lines of /etc/crontab that run /opt/diag/run:"
    grep -F /opt/diag/run /etc/crontab | sed 's/^/    /'
    expect_true "$2: the only line that runs /opt/diag/run is \"$3\"" \
        test "$(grep -F /opt/diag/run /etc/crontab)" = "$3"
    grep -vF /opt/diag/run /etc/crontab >"$work/crontab.others"
    expect_same_lines "every other line is as before" "$work/crontab.before" "$work/crontab.others"
}
# The daily line has always ended with a blank.
schedule 0 "daily at 02:30" "30 2 * * * $run "
schedule 1 "weekly at 02:30 on the date's weekday" "30 2 * * $weekday $run"
schedule 2 "monthly at 02:30 on the date's day of month" "30 2 $day * * $run"
schedule 3 "once at 02:30 on that date" "30 2 $day $month * $run"

echo
echo "\$ BaseScheduler.deleteTask(\"/opt/diag/run\", \"/opt/diag\", \"nightly\")"
show scheduler delete
expect_code 0 "the JVM ran the call to its end"
expect_lines "the call returned 1: the program's lines were removed" "result: 1"
expect_no_text "/opt/diag/run" "the line is gone from /etc/crontab" /etc/crontab
expect_same_lines "every other line, the other program's included, is as before the calls" \
    "$work/crontab.before" /etc/crontab
finish
