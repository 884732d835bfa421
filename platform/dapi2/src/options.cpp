#include "options.h"

#include "text.h"

#include <climits>
#include <cstdlib>
#include <functional>
#include <sstream>

namespace dapi2 {
namespace {

// Where the usage text shows an option: on the run line (what only a run uses) or
// among the options of every command.
enum class Shown { OnRunLine, AmongOptions };

struct OptionSpec {
    const char* name;
    const char* valueName; // the value's placeholder in the usage text; null for a flag
    Shown shown;
    // Applies the option; value is empty for flags. False when the value is not valid.
    std::function<bool(Options&, const std::string&)> apply;
};

bool setInt(const std::string& value, long min, int& field) {
    long parsed = 0;
    if (!parseInt(value, min, INT_MAX, parsed)) {
        return false;
    }
    field = static_cast<int>(parsed);
    return true;
}

const std::vector<OptionSpec>& optionTable() {
    static const std::vector<OptionSpec> table = {
        {"-d", "DEVICE", Shown::OnRunLine,
         [](Options& o, const std::string& v) { return setInt(v, 0, o.device); }},
        {"-t", "TEST", Shown::OnRunLine,
         [](Options& o, const std::string& v) { return setInt(v, INT_MIN, o.test); }},
        {"--transcript", "FILE", Shown::AmongOptions,
         [](Options& o, const std::string& v) {
             o.transcript = v;
             return !v.empty();
         }},
        {"--stop-after-polls", "K", Shown::AmongOptions,
         [](Options& o, const std::string& v) { return setInt(v, 0, o.stopRules.afterPolls); }},
        {"--stop-at-percent", "P", Shown::AmongOptions,
         [](Options& o, const std::string& v) { return setInt(v, 0, o.stopRules.atPercent); }},
        {"--stop-file", "PATH", Shown::AmongOptions,
         [](Options& o, const std::string& v) {
             o.stopRules.file = v;
             return !v.empty();
         }},
        {"--fail-registration", nullptr, Shown::AmongOptions,
         [](Options& o, const std::string&) { return o.injections.failRegistration = true; }},
        {"--refuse-device", "K", Shown::AmongOptions,
         [](Options& o, const std::string& v) {
             return setInt(v, 1, o.injections.refuseCreation);
         }},
        {"--cut-info", "N", Shown::AmongOptions,
         [](Options& o, const std::string& v) { return setInt(v, 0, o.injections.cutInfoAt); }},
        {"--null-device", nullptr, Shown::AmongOptions,
         [](Options& o, const std::string&) { return o.injections.nullDevice = true; }},
    };
    return table;
}

const OptionSpec* findOption(const std::string& name) {
    for (const OptionSpec& spec : optionTable()) {
        if (name == spec.name) {
            return &spec;
        }
    }
    return nullptr;
}

} // namespace

bool parseOptions(const std::vector<std::string>& args, bool allowCommand, Options& options,
                  std::string& error) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (const OptionSpec* spec = findOption(arg)) {
            std::string value;
            if (spec->valueName != nullptr) {
                if (i + 1 >= args.size()) {
                    error = "option " + arg + " needs a value";
                    return false;
                }
                value = args[++i];
            }
            if (!spec->apply(options, value)) {
                error = "bad value for " + arg + ": " + quote(value);
                return false;
            }
        } else if (allowCommand && options.command.empty() && (arg == "list" || arg == "run")) {
            options.command = arg;
        } else {
            error = "unexpected argument " + quote(arg);
            return false;
        }
    }
    return true;
}

std::vector<std::string> environmentOptions() {
    std::vector<std::string> words;
    if (const char* text = std::getenv("DAPI2_OPTIONS")) {
        std::istringstream in(text);
        for (std::string word; in >> word;) {
            words.push_back(word);
        }
    }
    return words;
}

std::string programName(const char* argv0) {
    const std::string path = argv0 ? argv0 : "";
    const std::string name = path.substr(path.rfind('/') + 1); // npos + 1 == 0
    return name.empty() ? "dapi2" : name;
}

std::string usage(const std::string& program) {
    // The options of every command, three to a line under the first.
    constexpr int kPerLine = 3;
    std::string runLine, options;
    int onLine = 0;
    for (const OptionSpec& spec : optionTable()) {
        const std::string shown =
            std::string(spec.name) + (spec.valueName ? std::string(" ") + spec.valueName : "");
        if (spec.shown == Shown::OnRunLine) {
            runLine += " [" + shown + "]";
            continue;
        }
        if (onLine == kPerLine) {
            options += "\n         ";
            onLine = 0;
        }
        options += (onLine++ ? "  " : "") + shown;
    }
    return "usage: " + program + " list [options]\n" + "       " + program + " run" + runLine +
           " [options]\n" + "       " + program + " --help\n" + "options: " + options + "\n";
}

} // namespace dapi2
