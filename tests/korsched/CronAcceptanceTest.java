// The real cron daemon runs what the scheduler writes. Inside the sandbox the
// crontab (mode 0600, which the rewrites keep) holds only a control job and
// /etc/cron.d is emptied, so no system job runs; runs of all four schedule
// types, and daily runs whose parameters hold characters the shell and cron
// would interpret, are set for the next minute. Each must execute its
// recording script with exactly the expected arguments, while the control job
// keeps running (cron drops the whole file when one line is invalid).
import com.varn.diagnostic.obj.scheduler.BaseScheduler;

import java.io.File;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.nio.file.attribute.PosixFilePermissions;
import java.time.LocalDateTime;
import java.time.temporal.ChronoUnit;
import java.util.List;

public class CronAcceptanceTest {
    private static final Path WORK = Paths.get("/tmp/korsched-accept");
    private static final String[] TYPES = {"daily", "weekly", "monthly", "once"};
    // Run-time parameter and the words the program must receive after the date.
    private static final String[][] ARGUMENTS = {
        {"--files=*.log -name 'x'", "[--files=*.log][-name]['x']"},
        {"50% %d a\\%b end\\ a\\\\b %%", "[50%][%d][a\\%b][end\\][a\\\\b][%%]"},
        {"$(id) `id` $HOME ; | & > < ( ) {a,b} ~ #c !d ? [ab] ^e",
         "[$(id)][`id`][$HOME][;][|][&][>][<][(][)][{a,b}][~][#c][!d][?][[ab]][^e]"},
        {"\"q\" it's   -v   two  ", "[\"q\"][it's][-v][two]"},
        {"\u00e9t\u00e9 \u6f22 --level=3", "[\u00e9t\u00e9][\u6f22][--level=3]"},
    };

    private static void fail(String why) {
        throw new AssertionError(why);
    }

    private static List<String> lines(Path file) throws Exception {
        return Files.exists(file) ? Files.readAllLines(file) : List.of();
    }

    public static void main(String[] args) throws Exception {
        Files.createDirectories(WORK);
        Path control = WORK.resolve("control");
        Files.write(Paths.get("/etc/crontab"),
                    ("SHELL=/bin/sh\nPATH=/usr/sbin:/usr/bin:/sbin:/bin\n"
                     + "* * * * * root date +\\%H:\\%M >> " + control + "\n")
                        .getBytes(StandardCharsets.UTF_8));
        Files.setPosixFilePermissions(Paths.get("/etc/crontab"), PosixFilePermissions.fromString("rw-------"));
        File[] systemJobs = new File("/etc/cron.d").listFiles();
        if (systemJobs != null)
            for (File job : systemJobs)
                Files.delete(job.toPath());
        for (String type : TYPES) {
            Path script = WORK.resolve("record-" + type);
            Files.write(script, ("#!/bin/sh\necho \"$@\" >> " + WORK.resolve(type + ".log") + "\n")
                                    .getBytes(StandardCharsets.UTF_8));
            Files.setPosixFilePermissions(script, PosixFilePermissions.fromString("rwxr-xr-x"));
        }
        for (int i = 0; i < ARGUMENTS.length + 1; i++) {
            Path script = WORK.resolve("words-" + i);
            Files.write(script, ("#!/bin/sh\nfor word in \"$@\"; do printf '[%s]' \"$word\"; done >> "
                                 + WORK.resolve("words-" + i + ".log") + "\necho >> "
                                 + WORK.resolve("words-" + i + ".log") + "\n")
                                    .getBytes(StandardCharsets.UTF_8));
            Files.setPosixFilePermissions(script, PosixFilePermissions.fromString("rwxr-xr-x"));
        }

        Process cron = new ProcessBuilder("cron", "-f").inheritIO().start();
        String failure = null;
        try {
            // cron notices a changed crontab by its modification time in whole
            // seconds: let the second it loaded at pass before the first change.
            Thread.sleep(2000);
            // Leave a safe margin before the minute turns.
            while (LocalDateTime.now().getSecond() > 40 || LocalDateTime.now().getSecond() < 2)
                Thread.sleep(500);
            LocalDateTime at = LocalDateTime.now().truncatedTo(ChronoUnit.MINUTES).plusMinutes(1);
            int month = at.getMonthValue(), day = at.getDayOfMonth(), year = at.getYear();

            BaseScheduler scheduler = new BaseScheduler();
            for (int type = 0; type < TYPES.length; type++) {
                String app = WORK.resolve("record-" + TYPES[type]).toString();
                if (scheduler.scheduleTask(month, day, year, at.getHour(), at.getMinute(), type, app,
                                           "", "task", "-t " + TYPES[type]) != 1)
                    fail("scheduling " + TYPES[type]);
            }
            for (int i = 0; i < ARGUMENTS.length; i++)
                if (scheduler.scheduleTask(month, day, year, at.getHour(), at.getMinute(), 0,
                                           WORK.resolve("words-" + i).toString(), "", "task",
                                           ARGUMENTS[i][0]) != 1)
                    fail("scheduling " + ARGUMENTS[i][0]);
            // A daily run needs no real date: the date is only its argument.
            if (scheduler.scheduleTask(2, 30, year, at.getHour(), at.getMinute(), 0,
                                       WORK.resolve("words-" + ARGUMENTS.length).toString(), "", "task",
                                       "-x") != 1)
                fail("scheduling a daily run dated February 30");

            String expectedDate = month + "/" + day + "/" + year;
            long deadline = System.currentTimeMillis() + 150_000;
            boolean allRan = false;
            while (!allRan && System.currentTimeMillis() < deadline) {
                Thread.sleep(1000);
                allRan = true;
                for (String type : TYPES)
                    allRan &= !lines(WORK.resolve(type + ".log")).isEmpty();
                for (int i = 0; i <= ARGUMENTS.length; i++)
                    allRan &= !lines(WORK.resolve("words-" + i + ".log")).isEmpty();
            }
            for (String type : TYPES) {
                List<String> ran = lines(WORK.resolve(type + ".log"));
                if (!ran.equals(List.of(expectedDate + " -t " + type)))
                    fail(type + " run recorded " + ran + ", expected [" + expectedDate + " -t " + type + "]");
            }
            for (int i = 0; i <= ARGUMENTS.length; i++) {
                String expected = i < ARGUMENTS.length ? "[" + expectedDate + "]" + ARGUMENTS[i][1]
                                                       : "[2/30/" + year + "][-x]";
                List<String> ran = lines(WORK.resolve("words-" + i + ".log"));
                if (!ran.equals(List.of(expected)))
                    fail("run " + i + " recorded " + ran + ", expected [" + expected + "]");
            }
            String minute = String.format("%02d:%02d", at.getHour(), at.getMinute());
            while (!lines(control).contains(minute) && System.currentTimeMillis() < deadline)
                Thread.sleep(1000);
            if (!lines(control).contains(minute))
                fail("control job did not run at " + minute + " after scheduling: " + lines(control));
        } catch (AssertionError e) {
            failure = e.getMessage();
        } finally {
            cron.destroyForcibly();
            cron.waitFor();
        }
        if (failure != null) {
            System.err.println("FAILED: " + failure);
            System.exit(1);
        }
        System.out.println("cron ran every scheduled type and the control job");
    }
}
