import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.NoSuchFileException;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.atomic.AtomicReference;
import vorbinst.tools.QVDBJIntf;

/**
 * Drives the install-database natives from a real JVM, inside the sandbox
 * (the database lives under /etc). Without arguments it runs the checks in a
 * child JVM with -Xcheck:jni, then the concurrency run with child writer JVMs,
 * and fails when a check fails or any child reports a JNI warning.
 */
public class QVDBJIntfDriver {
    static final Path DB = Paths.get("/etc/qvinstal.db");
    static final Path INSTALL_FLAG = Paths.get("/etc/qvinsflg.db");
    static final int ZUTR = 15;
    static final int UNINSTALLSTRING = 5;
    static final int WRITER_UPDATES = 25;
    static int failures = 0;
    static int checks = 0;

    static void check(boolean ok, String what) {
        checks++;
        if (!ok) {
            failures++;
            System.err.println("FAILED: " + what);
        }
    }

    static void checkEq(Object expected, Object actual, String what) {
        check(expected == null ? actual == null : expected.equals(actual),
                what + ": expected <" + expected + "> got <" + actual + ">");
    }

    static String db() throws IOException {
        return new String(Files.readAllBytes(DB), StandardCharsets.ISO_8859_1);
    }

    static void resetDb() throws IOException {
        Files.deleteIfExists(DB);
    }

    static void checkValues() throws IOException {
        resetDb();
        checkEq(0, QVDBJIntf.AuQVDBInstallDeleteAll(ZUTR), "delete-all on a missing database");
        checkEq(-1, QVDBJIntf.AuQVDBInstallDeleteAll(99), "delete-all of an invalid project");
        checkEq(null, QVDBJIntf.AuQVDBInstallSelect(ZUTR, UNINSTALLSTRING), "select on a missing database");
        checkEq(0, QVDBJIntf.AuQVDBInstallUpdate(ZUTR, UNINSTALLSTRING, "unins.exe /s"), "first update");
        checkEq("zutr.uninstallstring=unins.exe /s\n", db(), "database after the first update");
        checkEq("unins.exe /s", QVDBJIntf.AuQVDBInstallSelect(ZUTR, UNINSTALLSTRING), "select");
        checkEq(-1, QVDBJIntf.AuQVDBInstallUpdate(ZUTR, 17, "x"), "update of an invalid parameter");
        checkEq(-1, QVDBJIntf.AuQVDBInstallUpdate(ZUTR, UNINSTALLSTRING, null), "update with a null value");
        checkEq(-1, QVDBJIntf.AuQVDBInstallUpdate(ZUTR, UNINSTALLSTRING, "a\nb"), "update with a line break");

        String unicode = "Gr\u00fc\u00dfe \u2713 \ud834\udd1e";
        checkEq(0, QVDBJIntf.AuQVDBInstallUpdateString(ZUTR, "installpath", unicode), "update of a non-ASCII value");
        checkEq(unicode, QVDBJIntf.AuQVDBInstallSelectString(ZUTR, "installpath"), "non-ASCII value read back");
        checkEq(-1, QVDBJIntf.AuQVDBInstallUpdateString(ZUTR, null, "x"), "update with a null parameter");
        checkEq(-1, QVDBJIntf.AuQVDBInstallUpdateString(ZUTR, "", "x"), "update with an empty parameter");
        checkEq(-1, QVDBJIntf.AuQVDBInstallUpdateString(ZUTR, "a=b", "x"), "update with = in the parameter");
        checkEq(null, QVDBJIntf.AuQVDBInstallSelectString(ZUTR, null), "select with a null parameter");
        checkEq(null, QVDBJIntf.AuQVDBInstallSelectString(ZUTR, "nosuchkey"), "select of an absent key");

        checkEq(0, QVDBJIntf.AuQVDBInstallDelete(ZUTR, UNINSTALLSTRING), "delete");
        checkEq(-1, QVDBJIntf.AuQVDBInstallDelete(ZUTR, UNINSTALLSTRING), "delete of an absent key");
        checkEq(-1, QVDBJIntf.AuQVDBInstallDelete(0, UNINSTALLSTRING), "delete of an invalid project");
    }

    static void checkForeignBytes() throws IOException {
        // Lines written by C callers in Latin-1, and UTF-8 outside the BMP.
        byte[] latin1 = "zutr.installpath=C:\\Caf\u00e9\n".getBytes(StandardCharsets.ISO_8859_1);
        byte[] utf8 = "zutr.installdrive=\ud834\udd1e\n".getBytes(StandardCharsets.UTF_8);
        byte[] all = new byte[latin1.length + utf8.length];
        System.arraycopy(latin1, 0, all, 0, latin1.length);
        System.arraycopy(utf8, 0, all, latin1.length, utf8.length);
        Files.write(DB, all);
        checkEq("C:\\Caf\u00e9", QVDBJIntf.AuQVDBInstallSelectString(ZUTR, "installpath"), "Latin-1 bytes");
        checkEq("\ud834\udd1e", QVDBJIntf.AuQVDBInstallSelectString(ZUTR, "installdrive"), "4-byte UTF-8");
    }

    static void checkComponentAndLinks() throws IOException {
        resetDb();
        checkEq(0, QVDBJIntf.AuQVDBInstallUpdateString(ZUTR, "installpath", "\\zutr"), "path before the component");
        checkEq(0, QVDBJIntf.AuQVDBInstallUpdateComponent(ZUTR, "Zutr Agent", "", "unins.exe", "2.1", "", "0", ""),
                "component rewrite");
        checkEq("zutr.uninstallDisplayName=Zutr Agent\nzutr.uninstallstring=unins.exe\n"
                        + "zutr.installedversion=2.1\nzutr.installationresult=0\n",
                db(), "component record");
        checkEq(-1, QVDBJIntf.AuQVDBInstallUpdateComponent(ZUTR, "n", null, "", "", "", "", ""),
                "component with a null value");
        checkEq(-1, QVDBJIntf.AuQVDBInstallUpdateComponent(44, "n", "", "", "", "", "", ""),
                "component of an invalid project");

        checkEq(false, QVDBJIntf.AuQVDBSelectLink(1, 2), "link on no list");
        checkEq(0, QVDBJIntf.AuQVDBUpdateLink(1, 2), "first link");
        checkEq(true, QVDBJIntf.AuQVDBSelectLink(1, 2), "list of one");
        checkEq(0, QVDBJIntf.AuQVDBUpdateLink(1, 2), "link already present");
        checkEq(0, QVDBJIntf.AuQVDBUpdateLink(1, 3), "second link");
        checkEq(true, QVDBJIntf.AuQVDBSelectLink(1, 3), "second element");
        checkEq(false, QVDBJIntf.AuQVDBSelectLink(1, 4), "absent element");
        checkEq(false, QVDBJIntf.AuQVDBSelectLink(99, 2), "link of an invalid project");
        checkEq(-1, QVDBJIntf.AuQVDBUpdateLink(1, 44), "link to an invalid project");
        check(db().endsWith("Corvance.requireProjects=Strandix,Sweeplet\n"), "required-projects line: " + db());
    }

    static void checkTables() throws IOException {
        Files.deleteIfExists(INSTALL_FLAG);
        checkEq(false, QVDBJIntf.AuQVDBInstallCheck(), "install check without the flag file");
        Files.write(INSTALL_FLAG, new byte[0]);
        checkEq(true, QVDBJIntf.AuQVDBInstallCheck(), "install check with the flag file");

        String projects = QVDBJIntf.AuQVDBGetProjectsStringArray();
        check(projects.startsWith("Corvance,Strandix,") && projects.endsWith(",GLASSMOOR,QVTools,"),
                "project list: " + projects);
        checkEq(43, projects.split(",", -1).length - 1, "project names");
        String parameters = QVDBJIntf.AuQVDBGetParameterStringArray();
        check(parameters.startsWith("installationresult,installerrormsgid,") && parameters.endsWith(",systemid,"),
                "parameter list: " + parameters);
        checkEq(16, parameters.split(",", -1).length - 1, "parameter names");

        checkEq("zutr", QVDBJIntf.AuQVDBConvertProjectIDToString(ZUTR), "project name");
        checkEq(null, QVDBJIntf.AuQVDBConvertProjectIDToString(99), "invalid project name");
        checkEq(15, QVDBJIntf.AuQVDBConvertStringToProjectID("ZUTR"), "project id ignoring case");
        checkEq(-1, QVDBJIntf.AuQVDBConvertStringToProjectID("zutr "), "project name with a blank");
        checkEq(-1, QVDBJIntf.AuQVDBConvertStringToProjectID(null), "null project name");
        checkEq(-1, QVDBJIntf.AuQVDBConvertStringToProjectID("Z\u00fctr"), "non-ASCII project name");
        checkEq("systemid", QVDBJIntf.AuQVDBConvertParameterIDToString(16), "parameter name");
        checkEq(null, QVDBJIntf.AuQVDBConvertParameterIDToString(0), "invalid parameter name");
        checkEq(16, QVDBJIntf.AuQVDBConvertStringToParameterID("SYSTEMID"), "parameter id");
        checkEq(-1, QVDBJIntf.AuQVDBConvertStringToParameterID(null), "null parameter name");
        checkEq(1001, QVDBJIntf.AuQVDBApplicationType(12), "application type");
        checkEq(1000, QVDBJIntf.AuQVDBApplicationType(99), "application type of an invalid project");
        checkEq("3.4.0.1", QVDBJIntf.AuQVDBVersionInfo(), "version");
    }

    /** Updates distinct keys of its own. */
    static void write(String writer, int project) {
        for (int i = 0; i < WRITER_UPDATES; i++) {
            int rc = QVDBJIntf.AuQVDBInstallUpdateString(project, writer + "_" + i, "v" + i);
            check(rc == 0, writer + " update " + i);
        }
    }

    /** Lines must stay whole while others rewrite the file; returns the first fault. */
    static String wellFormed(String content) {
        if (content.isEmpty())
            return "database empty";
        if (!content.endsWith("\n"))
            return "last line cut";
        for (String line : content.split("\n")) {
            int eq = line.indexOf('=');
            if (eq <= 0 || line.indexOf('.') <= 0 || line.indexOf('.') > eq)
                return "malformed line <" + line + ">";
        }
        return null;
    }

    static Process startChild(String... args) throws IOException {
        List<String> command = new ArrayList<>();
        command.add(ProcessHandle.current().info().command().orElse("java"));
        command.add("-Xcheck:jni");
        command.add("-Djava.library.path=" + System.getProperty("java.library.path"));
        command.add("-cp");
        command.add(System.getProperty("java.class.path"));
        command.add("QVDBJIntfDriver");
        for (String a : args)
            command.add(a);
        return new ProcessBuilder(command).redirectErrorStream(true).start();
    }

    /** Waits for a child JVM; its output must hold no JNI warning. */
    static void finish(Process child, String name) throws Exception {
        String output = new String(child.getInputStream().readAllBytes(), StandardCharsets.UTF_8);
        int rc = child.waitFor();
        System.out.print(output);
        checkEq(0, rc, name + " exit code");
        check(!output.contains("WARNING") && !output.contains("FATAL"), name + " reported a JNI problem");
    }

    static void concurrency() throws Exception {
        resetDb();
        QVDBJIntf.AuQVDBInstallUpdateString(ZUTR, "seed", "1");
        AtomicReference<String> fault = new AtomicReference<>();
        Thread reader = new Thread(() -> {
            while (!Thread.currentThread().isInterrupted()) {
                try {
                    String problem = wellFormed(db());
                    if (problem != null)
                        fault.compareAndSet(null, problem);
                } catch (NoSuchFileException e) {
                    fault.compareAndSet(null, "database missing");
                } catch (IOException e) {
                    fault.compareAndSet(null, e.toString());
                }
            }
        });
        reader.start();
        List<Process> children = new ArrayList<>();
        for (int p = 0; p < 2; p++)
            children.add(startChild("writer", "proc" + p));
        List<Thread> threads = new ArrayList<>();
        for (int t = 0; t < 4; t++) {
            String name = "thread" + t;
            threads.add(new Thread(() -> write(name, ZUTR)));
        }
        threads.forEach(Thread::start);
        for (Thread t : threads)
            t.join();
        for (int p = 0; p < children.size(); p++)
            finish(children.get(p), "writer proc" + p);
        reader.interrupt();
        reader.join();
        checkEq(null, fault.get(), "reader saw a fault");
        String content = db();
        checkEq(null, wellFormed(content), "final database");
        List<String> writers = List.of("thread0", "thread1", "thread2", "thread3", "proc0", "proc1");
        for (String w : writers)
            for (int i = 0; i < WRITER_UPDATES; i++)
                check(content.contains("zutr." + w + "_" + i + "=v" + i + "\n"), "update " + w + "_" + i + " present");
        checkEq(1 + writers.size() * WRITER_UPDATES, content.split("\n").length, "line count");
    }

    public static void main(String[] args) throws Exception {
        if (args.length > 0)
            System.loadLibrary("vorbdb");
        if (args.length == 2 && args[0].equals("writer")) {
            write(args[1], ZUTR);
        } else if (args.length == 1 && args[0].equals("checks")) {
            checkValues();
            checkForeignBytes();
            checkComponentAndLinks();
            checkTables();
        } else if (args.length == 1 && args[0].equals("concurrency")) {
            concurrency();
        } else {
            finish(startChild("checks"), "checks");
            finish(startChild("concurrency"), "concurrency");
        }
        if (failures > 0) {
            System.err.println(failures + " of " + checks + " check(s) failed");
            System.exit(1);
        }
        if (args.length != 2)
            System.out.println((args.length == 0 ? "driver" : args[0]) + ": " + checks + " checks passed");
    }
}
