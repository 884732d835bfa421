#include "SourceParser.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <stdexcept>

namespace msggen {
namespace {

// One line of an input file with its position, for error reports.
class Line {
public:
    Line(const std::string& file, std::size_t number, const std::string& text)
        : file_(file), number_(number), text_(text) {}

    [[noreturn]] void fail(const std::string& reason) const {
        throw std::runtime_error(file_ + ":" + std::to_string(number_) + ": " + reason);
    }

    std::size_t lineNumber() const { return number_; }
    bool atEnd() const { return pos_ == text_.size(); }
    std::string rest() const { return text_.substr(pos_); }
    char peek() const { return atEnd() ? '\0' : text_[pos_]; }
    char next() { return text_[pos_++]; }

    void expect(const std::string& literal, const char* what) {
        if (text_.compare(pos_, literal.size(), literal) != 0)
            fail(std::string("malformed line: expected ") + what);
        pos_ += literal.size();
    }

    // A decimal number from 1 to 2^32 - 1 without leading zeros.
    std::uint32_t number(const char* what) {
        const std::size_t start = pos_;
        std::uint64_t value = 0;
        while (!atEnd() && peek() >= '0' && peek() <= '9') {
            value = value * 10 + static_cast<unsigned>(next() - '0');
            if (value > UINT32_MAX)
                fail(std::string(what) + " out of range");
        }
        if (pos_ == start)
            fail(std::string("malformed line: expected ") + what);
        if (text_[start] == '0')
            fail(std::string(what) + " must be a number from 1 without leading zeros");
        return static_cast<std::uint32_t>(value);
    }

private:
    const std::string& file_;
    std::size_t number_;
    const std::string& text_;
    std::size_t pos_ = 0;
};

// Calls `parse` with every line that is neither empty nor a '#' comment.
template <typename Parse> void forEachLine(const std::string& path, Parse parse) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error(path + ": cannot be read");
    const std::string all{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::istringstream split(all);
    std::size_t number = 0;
    for (std::string text; std::getline(split, text);) {
        ++number;
        if (text.empty() || text[0] == '#')
            continue;
        Line line(path, number, text);
        parse(line);
    }
}

std::string byteName(char c) {
    char name[8];
    std::snprintf(name, sizeof name, "0x%02X", static_cast<unsigned char>(c));
    return name;
}

// The quoted text after the id, with its escapes decoded.
std::string quotedText(Line& line) {
    line.expect("\"", "opening quote");
    std::string text;
    for (;;) {
        if (line.atEnd())
            line.fail("malformed line: text without closing quote");
        const char c = line.next();
        if (c == '"')
            break;
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
            line.fail("unexpected byte " + byteName(c));
        if (c != '\\') {
            text += c;
            continue;
        }
        if (line.atEnd())
            line.fail("malformed line: text without closing quote");
        switch (const char e = line.next()) {
        case '\\':
            text += '\\';
            break;
        case '"':
            text += '"';
            break;
        case 'n':
            text += '\n';
            break;
        case 'r':
            text += '\r';
            break;
        case 't':
            text += '\t';
            break;
        default:
            line.fail(std::string("unexpected escape \\") +
                      (e >= 0x20 && e < 0x7F ? std::string(1, e) : byteName(e)));
        }
    }
    if (!line.atEnd())
        line.fail("malformed line: text after the closing quote");
    return text;
}

// "a" or "a-b" with b >= a, as an inclusive range.
std::pair<std::uint32_t, std::uint32_t> range(Line& line, const char* what) {
    const std::uint32_t first = line.number(what);
    if (line.peek() != '-')
        return {first, first};
    line.next();
    const std::uint32_t last = line.number(what);
    if (last < first)
        line.fail(std::string(what) + " range runs backwards");
    return {first, last};
}

// A C++ identifier of capitals, digits and underscores after the FSA_STS_ prefix.
bool isStatusName(const std::string& name) {
    static const std::string prefix = "FSA_STS_";
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0)
        return false;
    return std::all_of(
        name.begin() + static_cast<std::ptrdiff_t>(prefix.size()), name.end(),
        [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; });
}

} // namespace

std::vector<Message> parseMessages(const std::string& path) {
    std::vector<Message> messages;
    forEachLine(path, [&messages](Line& line) {
        const std::uint32_t id = line.number("message id");
        line.expect(" ", "one blank after the id");
        std::string text = quotedText(line);
        if (text.empty())
            line.fail("message " + std::to_string(id) + " has no text");
        if (!messages.empty() && id == messages.back().id)
            line.fail("duplicate message id " + std::to_string(id));
        if (!messages.empty() && id < messages.back().id)
            line.fail("message id " + std::to_string(id) + " out of order");
        messages.push_back({id, std::move(text)});
    });
    if (messages.empty())
        throw std::runtime_error(path + ": no messages");
    return messages;
}

StatusRuns parseStatusRuns(const std::string& path, const std::vector<Message>& messages) {
    const auto known = [&messages](std::uint32_t id) {
        const auto it =
            std::lower_bound(messages.begin(), messages.end(), id,
                             [](const Message& m, std::uint32_t v) { return m.id < v; });
        return it != messages.end() && it->id == id;
    };
    StatusRuns runs;
    std::uint32_t last = 0; // the highest status seen so far
    forEachLine(path, [&runs, &last, &known](Line& line) {
        const auto statuses = range(line, "status");
        line.expect(" -> ", "\" -> \" between statuses and messages");
        if (statuses.first <= last)
            line.fail("status " + std::to_string(statuses.first) +
                      " out of order or covered twice");
        last = statuses.second;
        if (line.rest() == "none") {
            for (std::uint32_t s = statuses.first;; ++s) {
                runs.withoutText.push_back(s);
                if (s == statuses.second)
                    break;
            }
            return;
        }
        const auto ids = range(line, "message id");
        if (!line.atEnd())
            line.fail("malformed line: text after the message ids");
        if (ids.second - ids.first != statuses.second - statuses.first)
            line.fail("status and message ranges differ in length");
        for (std::uint32_t s = statuses.first, m = ids.first;; ++s, ++m) {
            if (!known(m))
                line.fail("status " + std::to_string(s) + " points to missing message " +
                          std::to_string(m));
            runs.rows.push_back({s, m});
            if (s == statuses.second)
                break;
        }
    });
    if (runs.rows.empty())
        throw std::runtime_error(path + ": no status runs");
    return runs;
}

std::vector<StatusName> parseStatusNames(const std::string& path) {
    std::vector<StatusName> names;
    std::set<std::string> seen;
    forEachLine(path, [&names, &seen](Line& line) {
        const std::uint32_t status = line.number("status");
        line.expect(" ", "one blank after the status");
        std::string name = line.rest();
        if (!isStatusName(name))
            line.fail("malformed line: expected a name FSA_STS_ of capitals, digits and '_'");
        if (!names.empty() && status <= names.back().status)
            line.fail("status " + std::to_string(status) + " out of order or named twice");
        if (!seen.insert(name).second)
            line.fail("name " + name + " given twice");
        names.push_back({status, std::move(name), line.lineNumber()});
    });
    if (names.empty())
        throw std::runtime_error(path + ": no status names");
    return names;
}

void checkNamesAgainstRuns(const std::string& namesPath, const std::vector<StatusName>& names,
                           const StatusRuns& runs) {
    const auto hasText = [&runs](std::uint32_t status) {
        return std::binary_search(
            runs.rows.begin(), runs.rows.end(), StatusRow{status, 0},
            [](const StatusRow& a, const StatusRow& b) { return a.status < b.status; });
    };
    const auto markedWithout = [&runs](std::uint32_t status) {
        return std::binary_search(runs.withoutText.begin(), runs.withoutText.end(), status);
    };
    for (const StatusName& n : names)
        if (!hasText(n.status) && !markedWithout(n.status))
            throw std::runtime_error(namesPath + ":" + std::to_string(n.line) + ": status " +
                                     std::to_string(n.status) + " " + n.name +
                                     " has no text: give it a status run, or a run to none");
    for (const std::uint32_t status : runs.withoutText)
        if (!std::binary_search(
                names.begin(), names.end(), StatusName{status, {}, 0},
                [](const StatusName& a, const StatusName& b) { return a.status < b.status; }))
            throw std::runtime_error(namesPath + ": status " + std::to_string(status) +
                                     " is run to none but has no name");
}

} // namespace msggen
