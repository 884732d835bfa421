// The diagnostics front end's scheduler class: only its native methods.
package com.varn.diagnostic.obj.scheduler;

public class BaseScheduler {
    static {
        System.loadLibrary("korsched");
    }

    public native int scheduleTask(int month, int day, int year, int hour, int minute,
                                   int scheduleType, String appName, String appPath,
                                   String taskName, String runtimeParam);

    public native int deleteTask(String appName, String appPath, String taskName);

    public native int isSchedulerSupported();
}
