#include "MessageFile.h"

#include "FsaMessages.h"

#include <fstream>
#include <regex>
#include <stdexcept>

namespace fsa_test {
namespace {

// Calls `use` with the match of `pattern` for every line that is neither empty
// nor a comment; a line that does not match stops the test's reading.
template <typename Use> void forEachMatch(const std::string& path, const char* pattern, Use use) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    const std::regex line(pattern);
    for (std::string text; std::getline(in, text);) {
        if (text.empty() || text[0] == '#')
            continue;
        std::smatch m;
        if (!std::regex_match(text, m, line))
            throw std::runtime_error("unreadable line: " + text);
        use(m);
    }
}

} // namespace

std::map<unsigned, std::string> decodeMessageFile(const std::string& path) {
    static const std::string escaped = "\"\\nrt", meant = "\"\\\n\r\t";
    std::map<unsigned, std::string> texts;
    forEachMatch(path, R"re(^([0-9]+) "(.*)"$)re", [&texts](const std::smatch& m) {
        const std::string body = m[2];
        std::string decoded;
        for (std::size_t i = 0; i < body.size(); ++i) {
            if (body[i] != '\\') {
                decoded += body[i];
                continue;
            }
            const std::size_t which = escaped.find(body.at(++i));
            if (which == std::string::npos)
                throw std::runtime_error("unknown escape in: " + body);
            decoded += meant[which];
        }
        texts.emplace(std::stoul(m[1]), decoded);
    });
    return texts;
}

std::map<unsigned, unsigned> readStatusRuns(const std::string& path) {
    std::map<unsigned, unsigned> rows;
    // A run to "none" marks statuses without a text of their own: no rows.
    forEachMatch(path, R"re(^([0-9]+)(-([0-9]+))? -> (none|([0-9]+)(-([0-9]+))?)$)re",
                 [&rows](const std::smatch& m) {
                     if (m[4] == "none")
                         return;
                     const unsigned first = std::stoul(m[1]);
                     const unsigned last = m[3].matched ? std::stoul(m[3]) : first;
                     const unsigned message = std::stoul(m[5]);
                     for (unsigned s = first; s <= last; ++s)
                         rows.emplace(s, message + (s - first));
                 });
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

unsigned highestMessageId() {
    return messageTexts().rbegin()->first;
}

unsigned highestStatus() {
    return statusMessages().rbegin()->first;
}

void FreshCatalogue::SetUp() {
    FsaFreeStringResources();
}
void FreshCatalogue::TearDown() {
    FsaFreeStringResources();
}

std::string readMessage(unsigned id) {
    char buffer[1024];
    unsigned size = sizeof buffer;
    if (FsaGetStringA(buffer, &size, id) != FSA_MSG_DONE)
        return "<no message " + std::to_string(id) + ">";
    return buffer;
}

} // namespace fsa_test
