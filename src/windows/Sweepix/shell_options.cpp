#include "shell_options.h"

#include <algorithm>

namespace {

const char* const kWhiteSpace = " \t\r\n\v\f";

bool isOption(const std::string& argument, char letter) {
    return argument.size() >= 2 && (argument[0] == '/' || argument[0] == '-') &&
           argument[1] == letter;
}

// The value of a two-letter option: glued to it, or the next argument
// (consumed whatever it looks like). False when there is none.
bool optionValue(const std::vector<std::string>& arguments, std::size_t& index,
                 std::string& value) {
    const std::string& argument = arguments[index];
    if (argument.size() > 2) {
        value = argument.substr(2);
        return true;
    }
    if (index + 1 < arguments.size()) {
        value = arguments[++index];
        return true;
    }
    return false;
}

} // namespace

std::string trimArgument(const std::string& value) {
    std::string text = value;
    auto trimFront = [&](const char* set) {
        text.erase(0, std::min(text.find_first_not_of(set), text.size()));
    };
    auto trimBack = [&](const char* set) {
        std::size_t last = text.find_last_not_of(set);
        text.erase(last == std::string::npos ? 0 : last + 1);
    };
    trimFront(kWhiteSpace);
    trimFront("\"");
    trimFront("'");
    trimFront(kWhiteSpace);
    trimBack(kWhiteSpace);
    trimBack("\"");
    trimBack("'");
    trimBack(kWhiteSpace);
    return text;
}

ShellOptions parseOptions(const std::vector<std::string>& arguments, const std::string& appName) {
    ShellOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        std::string value;
        if (isOption(argument, '?')) {
            options.stop = ShellOptions::Stop::Help;
            return options;
        } else if (isOption(argument, 'o')) {
            options.overwriteLog = true;
            options.traces.push_back("Logfile " + appName + ".log will get overwritten.\n");
        } else if (isOption(argument, 's')) {
            options.gui = false;
            options.confirm = false;
            options.traces.push_back("Running in silent mode.\n");
        } else if (isOption(argument, 'c')) {
            options.confirm = false;
            options.traces.push_back("Running in NO Confirm mode.\n");
        } else if (isOption(argument, 'f')) {
            options.iniFile.clear();
            if (optionValue(arguments, i, value)) {
                options.iniFile = trimArgument(value);
                options.iniGiven = true;
                options.traces.push_back("Using " + options.iniFile + " file as Ini file.\n");
            }
        } else if (isOption(argument, 'l')) {
            if (optionValue(arguments, i, value)) {
                options.logFile = trimArgument(value);
                options.traces.push_back("Using " + options.logFile + " file as Log file.\n");
            }
        } else {
            // The box for an unknown option is shown even after /s.
            options.gui = true;
            options.stop = ShellOptions::Stop::UnknownOption;
            options.unknownArgument = argument;
            return options;
        }
    }
    return options;
}
