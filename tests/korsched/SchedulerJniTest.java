// Calls the scheduler's native methods from a real JVM (run with -Xcheck:jni
// inside the sandbox, so /etc/crontab is private to the test).
import com.varn.diagnostic.obj.scheduler.BaseScheduler;

import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;

public class SchedulerJniTest {
    private static final Path CRONTAB = Paths.get("/etc/crontab");
    private static final String FOREIGN =
        "SHELL=/bin/sh\n17 *\t* * *\troot\tcd / && run-parts --report /etc/cron.hourly\n";
    private static int failures = 0;

    private static void check(boolean condition, String what) {
        if (!condition) {
            System.err.println("FAILED: " + what);
            failures++;
        }
    }

    private static String crontab() throws Exception {
        return new String(Files.readAllBytes(CRONTAB), StandardCharsets.UTF_8);
    }

    public static void main(String[] args) throws Exception {
        Files.write(CRONTAB, FOREIGN.getBytes(StandardCharsets.UTF_8));
        BaseScheduler s = new BaseScheduler();

        check(s.isSchedulerSupported() == 1, "scheduler supported");

        check(s.scheduleTask(7, 4, 2005, 2, 30, 0, "/opt/diag/run", "/opt/diag", "nightly", "-q") == 1,
              "ordinary daily schedule");
        check(crontab().equals(FOREIGN + "30 2 * * * root /opt/diag/run 7/4/2005 -q \n"),
              "daily line written: " + crontab());

        check(s.scheduleTask(12, 25, 2005, 23, 5, 9, "/opt/diag/run", "", "", "-n \u00e9t\u00e9 \u6f22") == 1,
              "once schedule with non-ASCII parameter");
        check(crontab().equals(FOREIGN + "5 23 25 12 * root /opt/diag/run 12/25/2005 -n \u00e9t\u00e9 \u6f22\n"),
              "reschedule leaves one line, non-ASCII written as UTF-8: " + crontab());

        String before = crontab();
        check(s.scheduleTask(7, 4, 2005, 2, 30, 0, null, "/p", "t", "-q") == 0, "null name refused");
        check(s.scheduleTask(7, 4, 2005, 2, 30, 0, "/opt/diag/run", null, "t", "-q") == 0, "null path refused");
        check(s.scheduleTask(7, 4, 2005, 2, 30, 0, "/opt/diag/run", "/p", null, "-q") == 0, "null task refused");
        check(s.scheduleTask(7, 4, 2005, 2, 30, 0, "/opt/diag/run", "/p", "t", null) == 0, "null parameter refused");
        check(s.scheduleTask(7, 4, 2005, 2, 30, 0, "/opt/diag/run", "/p", "t", "-q\n* * * * * root /bin/rm") == 0,
              "newline in parameter refused");
        check(s.scheduleTask(7, 4, 2005, 2, 30, 0, "/opt/diag/run\n", "/p", "t", "-q") == 0,
              "newline in name refused");
        check(s.scheduleTask(7, 4, 2005, 2, 30, 0, "/opt/d\u00e9", "/p", "t", "-q") == 0,
              "non-ASCII name refused");
        check(s.scheduleTask(7, 4, 2005, 2, 30, 0, "/opt/diag/run", "/p", "t", "a\u0000b") == 0,
              "NUL in parameter refused");
        check(s.scheduleTask(2, 30, 2005, 2, 30, 3, "/opt/diag/run", "/p", "t", "-q") == 0,
              "February 30 refused");
        check(crontab().equals(before), "refusals leave the crontab byte-identical");

        check(s.deleteTask(null, null, null) == 0, "null delete refused");
        check(s.deleteTask("/opt/diag/other", "", "") == 0, "delete of an unscheduled name");
        check(s.deleteTask("/opt/diag/run", null, null) == 1, "delete of the scheduled run");
        check(crontab().equals(FOREIGN), "only the run's line removed: " + crontab());

        if (failures > 0) {
            System.err.println(failures + " check(s) failed");
            System.exit(1);
        }
        System.out.println("all checks passed");
    }
}
