package vorbinst.tools;

/** The installer's class whose native methods libvorbdb implements. */
public class QVDBJIntf {
    public static native int AuQVDBInstallDelete(int project, int parameter);
    public static native String AuQVDBInstallSelect(int project, int parameter);
    public static native int AuQVDBInstallUpdate(int project, int parameter, String value);
    public static native int AuQVDBInstallDeleteAll(int project);
    public static native String AuQVDBInstallSelectString(int project, String parameter);
    public static native int AuQVDBInstallUpdateString(int project, String parameter, String value);
    public static native boolean AuQVDBInstallCheck();
    public static native String AuQVDBGetProjectsStringArray();
    public static native String AuQVDBConvertProjectIDToString(int project);
    public static native int AuQVDBConvertStringToProjectID(String name);
    public static native int AuQVDBUpdateLink(int projectA, int projectB);
    public static native boolean AuQVDBSelectLink(int projectA, int projectB);
    public static native int AuQVDBApplicationType(int project);
    public static native String AuQVDBVersionInfo();
    public static native String AuQVDBGetParameterStringArray();
    public static native String AuQVDBConvertParameterIDToString(int parameter);
    public static native int AuQVDBConvertStringToParameterID(String name);
    public static native int AuQVDBInstallUpdateComponent(int project, String uninstallDisplayName,
            String uninstalltype, String uninstallstring, String installedversion,
            String qvadisplaystring, String installationresult, String installerrormsgid);
}
