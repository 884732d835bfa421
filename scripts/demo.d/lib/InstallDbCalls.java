// The installer's calls of the install database from a real JVM: records of
// the project "zutr" written, read back, one deleted. Each call is printed
// with its result; the exit code is 0 when every result is the expected one.
import vorbinst.tools.QVDBJIntf;

import java.util.Objects;

public class InstallDbCalls {
    private static int wrong = 0;

    private static void show(String call, Object result, Object expected) {
        boolean ok = Objects.equals(result, expected);
        System.out.println(call + " -> " + (result instanceof String ? "\"" + result + "\"" : result)
                           + (ok ? "" : "   (WRONG: expected " + expected + ")"));
        if (!ok)
            wrong++;
    }

    public static void main(String[] args) {
        System.loadLibrary("vorbdb"); // as the installer loads it
        int zutr = QVDBJIntf.AuQVDBConvertStringToProjectID("zutr");
        int uninstall = QVDBJIntf.AuQVDBConvertStringToParameterID("uninstallstring");
        show("AuQVDBConvertStringToProjectID(\"zutr\")", zutr, 15);
        show("AuQVDBConvertStringToParameterID(\"uninstallstring\")", uninstall, 5);
        show("AuQVDBInstallUpdate(zutr, uninstallstring, \"unins.exe /s\")",
             QVDBJIntf.AuQVDBInstallUpdate(zutr, uninstall, "unins.exe /s"), 0);
        show("AuQVDBInstallUpdateString(zutr, \"installpath\", \"/opt/zutr\")",
             QVDBJIntf.AuQVDBInstallUpdateString(zutr, "installpath", "/opt/zutr"), 0);
        show("AuQVDBInstallSelect(zutr, uninstallstring)",
             QVDBJIntf.AuQVDBInstallSelect(zutr, uninstall), "unins.exe /s");
        show("AuQVDBInstallSelectString(zutr, \"installpath\")",
             QVDBJIntf.AuQVDBInstallSelectString(zutr, "installpath"), "/opt/zutr");
        show("AuQVDBInstallDelete(zutr, uninstallstring)",
             QVDBJIntf.AuQVDBInstallDelete(zutr, uninstall), 0);
        show("AuQVDBInstallSelect(zutr, uninstallstring)",
             QVDBJIntf.AuQVDBInstallSelect(zutr, uninstall), null);
        System.exit(wrong == 0 ? 0 : 1);
    }
}
