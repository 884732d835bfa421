// Build-time generator of the message catalogue's table: reads the message
// texts and the status-to-message runs, checks them, and writes C++ source.
//
//   fsa_msggen <messages.txt> <status-runs.txt> <output.cpp>
//
// Any fault in the inputs ends the run with "file:line: reason" on stderr and
// exit code 1, and leaves no output behind.

#include "SourceParser.h"
#include "TableWriter.h"

#include <cstdio>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <messages.txt> <status-runs.txt> <output.cpp>\n",
                     argc > 0 ? argv[0] : "fsa_msggen");
        return 2;
    }
    try {
        const auto messages = msggen::parseMessages(argv[1]);
        const auto rows = msggen::parseStatusRuns(argv[2], messages);
        msggen::writeTable(argv[3], messages, rows);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
