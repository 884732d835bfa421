// The scheduler's operations on a crontab, with the progress lines the front
// end's console shows. Paths are parameters so that tests can use their own.
#pragma once

#include "ScheduleRequest.h"

#include <ostream>
#include <string>

namespace korsched {

class Scheduler {
public:
    Scheduler(std::string crontabPath, std::string lockPath, std::ostream& out);

    // 1 when the run's line was written (replacing earlier lines of the same
    // program), 0 when the request was refused or the crontab not changed.
    int scheduleTask(const ScheduleRequest& request);

    // 1 when the program's lines were removed, 0 otherwise.
    int deleteTask(const std::string& appName);

private:
    // Every console line is a text followed by a line break.
    void print(const std::string& text);
    void printRequest(const ScheduleRequest& request);

    std::string m_crontabPath;
    std::string m_lockPath;
    std::ostream& m_out;
};

} // namespace korsched
