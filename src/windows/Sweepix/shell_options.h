// The clean-up program's command line.
#pragma once

#include <string>
#include <vector>

struct ShellOptions {
    enum class Stop { None, Help, UnknownOption };

    std::string iniFile = "Sweepix.ini";
    std::string logFile; // empty: the default below the system drive
    bool overwriteLog = false;
    bool gui = true;
    bool confirm = true;
    bool iniGiven = false;
    Stop stop = Stop::None;
    std::string unknownArgument;     // with Stop::UnknownOption, as given
    std::vector<std::string> traces; // debug-trace lines, in order
};

// Options match when an argument begins with them ("/silent" is "/s"), in
// either "/" or "-" form, exact case; later ones win. `arguments` excludes
// the program name.
ShellOptions parseOptions(const std::vector<std::string>& arguments, const std::string& appName);

// The value without leading and trailing white space and quotes, in the
// order: white space, double quotes, single quotes, white space.
std::string trimArgument(const std::string& value);
