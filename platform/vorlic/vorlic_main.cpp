// Stand-in of the card's command-line tool: records its argument vector, one
// JSON array per line, in $VORLIC_STANDIN_LOG, and exits with
// $VORLIC_STANDIN_STATUS (default 0) - only for calls with an argument equal
// to $VORLIC_STANDIN_FAIL_ARG when that is set.
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    nlohmann::json args = nlohmann::json::array();
    const char* failArg = std::getenv("VORLIC_STANDIN_FAIL_ARG");
    bool failHere = failArg == nullptr;
    for (int i = 1; i < argc; ++i) {
        args.push_back(argv[i]);
        if (failArg && std::string(argv[i]) == failArg)
            failHere = true;
    }
    if (const char* log = std::getenv("VORLIC_STANDIN_LOG")) {
        std::ofstream out(log, std::ios::app);
        out << args.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    }
    const char* status = std::getenv("VORLIC_STANDIN_STATUS");
    return failHere && status ? std::atoi(status) : 0;
}
