#include "agreement_text.h"

#include <fstream>

std::string readAgreementText(const std::string& path) {
    std::string text;
    std::ifstream file(path);
    if (!file)
        return text;
    // Each read is shown, the failing one too: at the end of the file it gives
    // an empty line; on a line longer than the buffer, its first 1023
    // characters, and the reading ends there.
    char line[1024];
    do {
        line[0] = '\0';
        file.getline(line, sizeof line);
        text += line;
        text += "\r\n";
    } while (!file.fail());
    return text;
}
