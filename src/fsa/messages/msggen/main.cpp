// Build-time generator of the message catalogue's table: reads the message
// texts and the status-to-message runs, checks them, and writes C++ source.
//
//   fsa_msggen <messages.txt> <status-runs.txt> <output.cpp>
//              [<status-names.txt> <output.h>]
//
// With the last two, it also writes the FSA_STATUS enumeration of the named
// statuses as a header, after checking that every named status has a text or is
// run to none, and that every status run to none is named.
//
// Any fault in the inputs ends the run with "file:line: reason" on stderr and
// exit code 1, and leaves no output behind.

#include "SourceParser.h"
#include "TableWriter.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 4 && argc != 6) {
        std::fprintf(stderr,
                     "usage: %s <messages.txt> <status-runs.txt> <output.cpp> "
                     "[<status-names.txt> <output.h>]\n",
                     argc > 0 ? argv[0] : "fsa_msggen");
        return 2;
    }
    try {
        const auto messages = msggen::parseMessages(argv[1]);
        const auto runs = msggen::parseStatusRuns(argv[2], messages);
        const auto names =
            argc == 6 ? msggen::parseStatusNames(argv[4]) : std::vector<msggen::StatusName>{};
        if (argc == 6)
            msggen::checkNamesAgainstRuns(argv[4], names, runs);
        msggen::writeTable(argv[3], messages, runs.rows);
        if (argc == 6) {
            try {
                msggen::writeStatusNames(argv[5], names);
            } catch (...) {
                std::remove(argv[3]); // all outputs or none
                throw;
            }
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
