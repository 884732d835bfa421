// cardsim: the simulated card as a standalone process.
//   cardsim [--config FILE.json] [--address A] [--port N] [--login-port N]
// Prints "cardsim: ready" once both ports listen; stops on SIGINT or SIGTERM.
#include "card_sim.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>

int main(int argc, char** argv) {
    nlohmann::json json = nlohmann::json::object();
    try {
        for (int i = 1; i < argc; ++i) {
            std::string option = argv[i];
            if (i + 1 >= argc)
                throw std::invalid_argument("missing value after " + option);
            std::string value = argv[++i];
            if (option == "--config") {
                std::ifstream file(value);
                if (!file)
                    throw std::invalid_argument("cannot read " + value);
                json.update(nlohmann::json::parse(file));
            } else if (option == "--address") {
                json["address"] = value;
            } else if (option == "--port") {
                json["port"] = std::stoi(value);
            } else if (option == "--login-port") {
                json["loginPort"] = std::stoi(value);
            } else {
                throw std::invalid_argument("unknown option " + option);
            }
        }
        sigset_t stopSignals;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGINT);
        sigaddset(&stopSignals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

        cardsim::CardSim card(cardsim::configFromJson(json));
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
    } catch (const std::exception& e) {
        std::cerr << "cardsim: " << e.what() << '\n';
        return 2;
    }
}
