// Calls the scheduler's native methods from a real JVM (run with -Xcheck:jni
// inside the sandbox, so /etc/crontab is private to the test). The console
// lines are compared byte for byte: each such call runs in a child JVM whose
// standard output is read whole.
import com.varn.diagnostic.obj.scheduler.BaseScheduler;

import java.io.ByteArrayOutputStream;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.attribute.PosixFilePermissions;
import java.util.List;

public class SchedulerJniTest {
    private static final Path CRONTAB = Paths.get("/etc/crontab");
    private static final String FOREIGN =
        "SHELL=/bin/sh\n17 *\t* * *\troot\tcd / && run-parts --report /etc/cron.hourly\n";
    private static final String DAILY = "30 2 * * * root /opt/diag/run 7/4/2005 -q \n";
    private static int failures = 0;

    // The lines every scheduling call of the child prints first.
    private static final String REQUEST =
        "korsched.so - BaseScheduler.scheduleTask() called :\n"
        + "Time looks ok!\n"
        + "Ascii Time = Mon Jul  4 02:30:00 2005\n"
        + "\n"
        + "Month  = 6\n"
        + "Day    = 4\n"
        + "Year   = 105\n"
        + "Hour   = 2\n"
        + "Minute = 30\n"
        + "Seconds= 0\n"
        + "WeekDay= 1\n"
        + "Application Name:\n/opt/diag/run\n"
        + "Application Path:\n/opt/diag\n"
        + "Task name       :\nnightly\n"
        + "Run Time Param  :\n-q\n";
    private static final String FOUND =
        "korsched.so - BaseScheduler.isAlreadyScheduled() : A scheduled task exists currently!\n\n";
    private static final String NOT_FOUND =
        "korsched.so - BaseScheduler.isAlreadyScheduled() : No currently scheduled tasks detected.\n";
    private static final String LOOKUP_FAILED =
        "korsched.so - BaseScheduler.isAlreadyScheduled() : Failed to open system crontab file!\n\n";
    private static final String DELETED =
        "korsched.so - BaseScheduler.deleteTask() : Deleted currently scheduled task.\n";
    private static final String DONE =
        "korsched.so - BaseScheduler.scheduleTask() : Scheduling task completed successfully.!\n";
    private static final String DELETE_CALLED = "korsched.so - BaseScheduler.deleteTask() called :\n";
    private static final String NOTHING_TO_DELETE =
        "korsched.so - BaseScheduler.deleteTask() - No task was previously scheduled to be deleted.\n\n";

    private static String typeLine(String type) {
        return "korsched.so - BaseScheduler.scheduleTask() : " + type + "\n";
    }

    // crontab null: no crontab before or after; call "delete" or a schedule type.
    private record OutputCase(String what, String before, String call, String output, int result,
                              String after) {}

    private static final List<OutputCase> OUTPUT_CASES = List.of(
        new OutputCase("daily, no earlier line", FOREIGN, "0",
                       REQUEST + NOT_FOUND + typeLine("Schedule Task Daily") + DONE, 1, FOREIGN + DAILY),
        new OutputCase("weekly replaces the earlier line", FOREIGN + DAILY, "1",
                       REQUEST + FOUND + DELETED + typeLine("Schedule Task Weekly") + DONE, 1,
                       FOREIGN + "30 2 * * 1 root /opt/diag/run 7/4/2005 -q\n"),
        new OutputCase("monthly into a missing crontab", null, "2",
                       REQUEST + LOOKUP_FAILED + typeLine("Schedule Task Monthly") + DONE, 1,
                       "30 2 4 * * root /opt/diag/run 7/4/2005 -q\n"),
        new OutputCase("once beside another program's line",
                       FOREIGN + "1 1 * * * root /opt/diag/runner 1/1/2030 \n", "3",
                       REQUEST + NOT_FOUND + typeLine("Run Test Once") + DONE, 1,
                       FOREIGN + "1 1 * * * root /opt/diag/runner 1/1/2030 \n"
                           + "30 2 4 7 * root /opt/diag/run 7/4/2005 -q\n"),
        new OutputCase("delete of the program's line", FOREIGN + DAILY, "delete",
                       DELETE_CALLED + FOUND + DELETED, 1, FOREIGN),
        new OutputCase("delete without a line", FOREIGN, "delete",
                       DELETE_CALLED + NOT_FOUND + NOTHING_TO_DELETE, 0, FOREIGN),
        new OutputCase("delete without a crontab", null, "delete",
                       DELETE_CALLED + LOOKUP_FAILED + NOTHING_TO_DELETE, 0, null));

    private static void check(boolean condition, String what) {
        if (!condition) {
            System.err.println("FAILED: " + what);
            failures++;
        }
    }

    private static String crontab() throws Exception {
        return Files.exists(CRONTAB) ? new String(Files.readAllBytes(CRONTAB), StandardCharsets.UTF_8)
                                     : null;
    }

    private static void setCrontab(String text) throws Exception {
        Files.deleteIfExists(CRONTAB);
        if (text != null)
            Files.write(CRONTAB, text.getBytes(StandardCharsets.UTF_8));
    }

    // In the child: one native call, its result as the exit code (10 + result,
    // so that a crash is not taken for a result).
    private static void childCall(String call) {
        BaseScheduler s = new BaseScheduler();
        int result = call.equals("delete")
                         ? s.deleteTask("/opt/diag/run", "/opt/diag", "nightly")
                         : s.scheduleTask(7, 4, 2005, 2, 30, Integer.parseInt(call), "/opt/diag/run",
                                          "/opt/diag", "nightly", "-q");
        System.exit(10 + result);
    }

    private static void checkOutput(OutputCase c) throws Exception {
        setCrontab(c.before());
        Process child = new ProcessBuilder(
                            Paths.get(System.getProperty("java.home"), "bin", "java").toString(),
                            "-Xcheck:jni", "-Djava.library.path=" + System.getProperty("java.library.path"),
                            "-cp", System.getProperty("java.class.path"), "SchedulerJniTest", "call",
                            c.call())
                            .redirectError(ProcessBuilder.Redirect.INHERIT)
                            .start();
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        try (InputStream in = child.getInputStream()) {
            in.transferTo(out);
        }
        int exit = child.waitFor();
        String output = out.toString(StandardCharsets.UTF_8);
        check(exit == 10 + c.result(), c.what() + ": exit " + exit + ", expected " + (10 + c.result()));
        check(output.equals(c.output()),
              c.what() + ": printed\n[" + output + "]\nexpected\n[" + c.output() + "]");
        String after = crontab();
        check(c.after() == null ? after == null : c.after().equals(after),
              c.what() + ": crontab [" + after + "]");
    }

    public static void main(String[] args) throws Exception {
        if (args.length == 2 && args[0].equals("call")) {
            childCall(args[1]);
            return;
        }
        for (OutputCase c : OUTPUT_CASES)
            checkOutput(c);

        setCrontab(FOREIGN);
        BaseScheduler s = new BaseScheduler();

        check(s.isSchedulerSupported() == 1, "scheduler supported");

        check(s.scheduleTask(7, 4, 2005, 2, 30, 0, "/opt/diag/run", "/opt/diag", "nightly", "-q") == 1,
              "ordinary daily schedule");
        check(crontab().equals(FOREIGN + DAILY), "daily line written: " + crontab());

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
              "February 30 refused for a once run");
        check(crontab().equals(before), "refusals leave the crontab byte-identical");

        // Parameters the shell would read are written quoted; a date that is
        // only the program's argument need not exist.
        check(s.scheduleTask(2, 30, 2005, 2, 30, 0, "/opt/diag/run", "/p", "t", "--files=*.log -name 'x'") == 1,
              "daily schedule of February 30 with shell characters");
        check(crontab().equals(FOREIGN + "30 2 * * * root /opt/diag/run 2/30/2005 '--files=*.log' -name ''\\''x'\\''' \n"),
              "quoted words written: " + crontab());

        check(s.deleteTask(null, null, null) == 0, "null delete refused");
        check(s.deleteTask("/opt/diag/other", "", "") == 0, "delete of an unscheduled name");
        check(s.deleteTask("/opt/diag/run", null, null) == 1, "delete of the scheduled run");
        check(crontab().equals(FOREIGN), "only the run's line removed: " + crontab());

        checkFileKept();

        if (failures > 0) {
            System.err.println(failures + " check(s) failed");
            System.exit(1);
        }
        System.out.println("all checks passed");
    }

    // The rewrite keeps the crontab's mode and owner, and a linked crontab
    // stays a link to its rewritten target; a new crontab is root's, 0644.
    private static void checkFileKept() throws Exception {
        BaseScheduler s = new BaseScheduler();
        setCrontab(null);
        check(s.scheduleTask(7, 4, 2005, 2, 30, 0, "/opt/diag/run", "", "", "-q") == 1, "schedule creates");
        check(PosixFilePermissions.toString(Files.getPosixFilePermissions(CRONTAB)).equals("rw-r--r--")
                  && (Integer) Files.getAttribute(CRONTAB, "unix:uid") == 0
                  && (Integer) Files.getAttribute(CRONTAB, "unix:gid") == 0,
              "new crontab is root's with mode 0644");

        setCrontab(FOREIGN);
        Files.setPosixFilePermissions(CRONTAB, PosixFilePermissions.fromString("rw-------"));
        Files.setAttribute(CRONTAB, "unix:uid", 1234);
        Files.setAttribute(CRONTAB, "unix:gid", 5678);
        check(s.scheduleTask(7, 4, 2005, 2, 30, 0, "/opt/diag/run", "", "", "-q") == 1, "schedule 0600");
        check(s.deleteTask("/opt/diag/other", "", "") == 0, "delete of no line");
        check(PosixFilePermissions.toString(Files.getPosixFilePermissions(CRONTAB)).equals("rw-------")
                  && (Integer) Files.getAttribute(CRONTAB, "unix:uid") == 1234
                  && (Integer) Files.getAttribute(CRONTAB, "unix:gid") == 5678,
              "mode and owner kept");
        check(crontab().equals(FOREIGN + DAILY), "0600 crontab rewritten: " + crontab());

        Path target = Paths.get("/etc/korsched-linked-crontab");
        setCrontab(null);
        Files.write(target, FOREIGN.getBytes(StandardCharsets.UTF_8));
        Files.createSymbolicLink(CRONTAB, target.getFileName());
        check(s.scheduleTask(7, 4, 2005, 2, 30, 0, "/opt/diag/run", "", "", "-q") == 1, "schedule into a link");
        check(Files.isSymbolicLink(CRONTAB), "the link stays a link after scheduling");
        check(new String(Files.readAllBytes(target), StandardCharsets.UTF_8).equals(FOREIGN + DAILY),
              "the link's target holds the line");
        check(s.deleteTask("/opt/diag/run", "", "") == 1, "delete through a link");
        check(Files.isSymbolicLink(CRONTAB), "the link stays a link after deleting");
        check(new String(Files.readAllBytes(target), StandardCharsets.UTF_8).equals(FOREIGN),
              "the line removed from the link's target");
        Files.delete(CRONTAB);
        Files.delete(target);
    }
}
