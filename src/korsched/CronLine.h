// Formatting and recognising the crontab lines of scheduled diagnostic runs.
#pragma once

#include "ScheduleRequest.h"

#include <string>

namespace korsched {

struct CronLineResult {
    bool ok = false;
    std::string line;  // with its final newline, when ok
    std::string error; // why the request was refused, when not ok
    int weekday = -1;  // of the requested date (0 = Sunday), when it had to be a real date
};

// Validates the request and builds the line cron will run as root. A refused
// request never reaches the crontab: cron ignores the whole file when one line
// is invalid, and the line is handed to /bin/sh. Only what the schedule type
// puts into the time fields must be a real date; the date after the program
// name is passed on as given.
CronLineResult formatCronLine(const ScheduleRequest& request);

// True when the program name may be written into a crontab: a non-empty path
// of ordinary characters.
bool isSafeProgramName(const std::string& name);

// True when the line has the shape of a scheduled run of `appName`: five time
// fields, the user root, then the program field equal to the name.
bool isScheduledRunOf(const std::string& line, const std::string& appName);

} // namespace korsched
