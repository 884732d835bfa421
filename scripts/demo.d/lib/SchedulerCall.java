// One call of the scheduler's native methods from a real JVM, as the
// diagnostics front end makes it (a nightly run of /opt/diag/run -q at 02:30,
// first due on the date given, by default 7/4/2005):
//   java SchedulerCall schedule TYPE [MONTH DAY YEAR]
//                                      (TYPE 0 daily, 1 weekly, 2 monthly, 3 once)
//   java SchedulerCall delete
// After the native's own lines it prints "result: N", the value the call
// returned, and exits with 0: a JVM that crashes exits otherwise and prints
// no result.
import com.varn.diagnostic.obj.scheduler.BaseScheduler;

public class SchedulerCall {
    public static void main(String[] args) {
        BaseScheduler scheduler = new BaseScheduler();
        int[] date = {7, 4, 2005};
        for (int i = 0; i < 3 && i + 2 < args.length; i++)
            date[i] = Integer.parseInt(args[i + 2]);
        int result = args[0].equals("delete")
                         ? scheduler.deleteTask("/opt/diag/run", "/opt/diag", "nightly")
                         : scheduler.scheduleTask(date[0], date[1], date[2], 2, 30,
                                                  Integer.parseInt(args[1]), "/opt/diag/run",
                                                  "/opt/diag", "nightly", "-q");
        System.out.println("result: " + result);
        System.exit(0);
    }
}
