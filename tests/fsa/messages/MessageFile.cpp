#include "MessageFile.h"

#include "FsaMessages.h"

#include <fstream>
#include <regex>
#include <stdexcept>

namespace fsa_test {

std::map<unsigned, std::string> decodeMessageFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    const std::regex line(R"re(^([0-9]+) "(.*)"$)re");
    std::map<unsigned, std::string> texts;
    for (std::string text; std::getline(in, text);) {
        if (text.empty() || text[0] == '#')
            continue;
        std::smatch m;
        if (!std::regex_match(text, m, line))
            throw std::runtime_error("unreadable line: " + text);
        std::string decoded;
        const std::string body = m[2];
        for (std::size_t i = 0; i < body.size(); ++i) {
            if (body[i] != '\\') {
                decoded += body[i];
                continue;
            }
            switch (body.at(++i)) {
            case '"':
                decoded += '"';
                break;
            case '\\':
                decoded += '\\';
                break;
            case 'n':
                decoded += '\n';
                break;
            case 'r':
                decoded += '\r';
                break;
            case 't':
                decoded += '\t';
                break;
            default:
                throw std::runtime_error("unknown escape in: " + text);
            }
        }
        texts.emplace(std::stoul(m[1]), decoded);
    }
    return texts;
}

std::map<unsigned, unsigned> readStatusRuns(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    const std::regex line(R"re(^([0-9]+)(-([0-9]+))? -> ([0-9]+)(-([0-9]+))?$)re");
    std::map<unsigned, unsigned> rows;
    for (std::string text; std::getline(in, text);) {
        if (text.empty() || text[0] == '#')
            continue;
        std::smatch m;
        if (!std::regex_match(text, m, line))
            throw std::runtime_error("unreadable line: " + text);
        const unsigned first = std::stoul(m[1]);
        const unsigned last = m[3].matched ? std::stoul(m[3]) : first;
        const unsigned message = std::stoul(m[4]);
        for (unsigned s = first; s <= last; ++s)
            rows.emplace(s, message + (s - first));
    }
    return rows;
}

const std::map<unsigned, std::string>& messageTexts() {
    static const auto texts = decodeMessageFile(FSA_MESSAGES_TXT);
    return texts;
}

const std::map<unsigned, unsigned>& statusMessages() {
    static const auto rows = readStatusRuns(FSA_STATUS_RUNS_TXT);
    return rows;
}

std::string readMessage(unsigned id) {
    char buffer[1024];
    unsigned size = sizeof buffer;
    if (FsaGetStringA(buffer, &size, id) != FSA_MSG_DONE)
        return "<no message " + std::to_string(id) + ">";
    return buffer;
}

} // namespace fsa_test
