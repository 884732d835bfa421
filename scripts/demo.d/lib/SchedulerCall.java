// One call of the scheduler's native methods from a real JVM, as the
// diagnostics front end makes it (a nightly run of /opt/diag/run -q, first
// due on 7/4/2005 at 02:30):
//   java SchedulerCall schedule TYPE   (0 daily, 1 weekly, 2 monthly, 3 once)
//   java SchedulerCall delete
// After the native's own lines it prints "result: N", the value the call
// returned, and exits with 0: a JVM that crashes exits otherwise and prints
// no result.
import com.varn.diagnostic.obj.scheduler.BaseScheduler;

public class SchedulerCall {
    public static void main(String[] args) {
        BaseScheduler scheduler = new BaseScheduler();
        int result = args[0].equals("delete")
                         ? scheduler.deleteTask("/opt/diag/run", "/opt/diag", "nightly")
                         : scheduler.scheduleTask(7, 4, 2005, 2, 30, Integer.parseInt(args[1]),
                                                  "/opt/diag/run", "/opt/diag", "nightly", "-q");
        System.out.println("result: " + result);
        System.exit(0);
    }
}
