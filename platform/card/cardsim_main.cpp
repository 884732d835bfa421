// cardsim: the simulated card as a standalone process.
//   cardsim [--config FILE.json] [--address A] [--port N] [--login-port N]
// Prints "cardsim: ready" once both ports listen; stops on SIGINT or SIGTERM.
// Exit code: 0 stopped, 1 a port could not be bound, 64 a bad command line,
// 78 a configuration file that is missing, unreadable, malformed or describes
// no card the simulator can be (an unknown key, a value outside its field).
#include "card_config.h"
#include "card_sim.h"

#include "configfile/config_file.h"

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>
#include <utility>

namespace {

constexpr int kUsageError = 64; // EX_USAGE

const char kUsage[] = "usage: cardsim [--config FILE.json] [--address A] [--port N] "
                      "[--login-port N]\n"
                      "       cardsim --help\n"
                      "Serves the simulated card until SIGINT or SIGTERM; later options\n"
                      "override the file.\n";

struct UsageError : std::invalid_argument {
    using std::invalid_argument::invalid_argument;
};

std::uint16_t port(const std::string& option, const std::string& value) {
    std::size_t used = 0;
    int number = -1;
    try {
        number = std::stoi(value, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used == 0 || used != value.size() || number < 0 || number > 65535)
        throw UsageError(option + " wants a port number (0 to 65535), got \"" + value + "\"");
    return static_cast<std::uint16_t>(number);
}

cardsim::Config configFromArguments(int argc, char** argv) {
    cardsim::Config config;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        if (option != "--config" && option != "--address" && option != "--port" &&
            option != "--login-port")
            throw UsageError("unknown option " + option);
        if (i + 1 >= argc)
            throw UsageError("missing value after " + option);
        const std::string value = argv[++i];
        if (option == "--config")
            config = standin_config::load(value, [&config](const std::string& text) {
                return cardsim::configFromText(text, config);
            });
        else if (option == "--address")
            config.address = value;
        else if (option == "--port")
            config.port = port(option, value);
        else
            config.loginPort = port(option, value);
    }
    return config;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]) == "--help") {
            std::cout << kUsage;
            return 0;
        }
    cardsim::Config config;
    try {
        config = configFromArguments(argc, argv);
    } catch (const UsageError& e) {
        std::cerr << "cardsim: " << e.what() << '\n' << kUsage;
        return kUsageError;
    } catch (const std::exception& e) {
        standin_config::endProgram("cardsim", e);
    }
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    cardsim::CardSim card(std::move(config));
    std::string error;
    if (!card.start(&error)) {
        std::cerr << "cardsim: " << error << '\n';
        return 1;
    }
    std::cout << "cardsim: ready" << std::endl;
    int signal = 0;
    sigwait(&stopSignals, &signal);
    card.stop();
    return 0;
}
