#include "wildcard_match.h"

#include <bitset>
#include <cstring>
#include <vector>

namespace haltrix {
namespace {

unsigned char upper(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

struct Token {
    enum Kind { Literal, AnyOne, AnyRun, Set } kind = Literal;
    unsigned char literal = 0;
    std::bitset<256> members; // for Set: the characters it accepts
};

// Whether one set, whose members start at `p` (just after "["), accepts `c`.
// Members are read left to right; a "-" joins the member before it (character
// 0 at the start) to the one after it. "]" without a match, a "-" before "]"
// or the pattern's end, and a set left open all reject.
bool setAccepts(const unsigned char* p, unsigned char c) {
    unsigned char previous = 0;
    for (;;) {
        if (*p == '\0' || *p == ']')
            return false;
        bool match;
        if (*p == '-') {
            ++p;
            if (*p == '\0' || *p == ']')
                return false;
            match = previous <= c && c <= *p;
        } else {
            match = c == *p;
        }
        previous = *p++;
        if (match) {
            while (*p != '\0' && *p != ']')
                ++p;
            return *p == ']';
        }
    }
}

// Splits the pattern into tokens; a set becomes a table of the characters it
// accepts, worked out once so that matching stays linear in the pattern.
std::vector<Token> compile(const unsigned char* p) {
    std::vector<Token> tokens;
    while (*p != '\0') {
        Token token;
        token.kind = Token::Literal;
        if (*p == '*') {
            token.kind = Token::AnyRun;
            ++p;
        } else if (*p == '?') {
            token.kind = Token::AnyOne;
            ++p;
        } else if (*p == '[') {
            token.kind = Token::Set;
            for (int c = 0; c < 256; ++c)
                token.members[static_cast<std::size_t>(c)] =
                    setAccepts(p + 1, static_cast<unsigned char>(c));
            const unsigned char* close = reinterpret_cast<const unsigned char*>(
                std::strchr(reinterpret_cast<const char*>(p), ']'));
            // An open set rejects everything; nothing after it can be reached.
            p = close ? close + 1 : p + std::strlen(reinterpret_cast<const char*>(p));
        } else {
            token.literal = *p++;
        }
        tokens.push_back(token);
    }
    return tokens;
}

bool accepts(const Token& token, unsigned char c) {
    switch (token.kind) {
    case Token::Literal:
        return upper(c) == token.literal;
    case Token::AnyOne:
        return true;
    case Token::Set:
        return token.members[upper(c)];
    case Token::AnyRun:
        break;
    }
    return false;
}

} // namespace

int WildcardMatch(const char* text, const char* pattern) {
    const auto* t = reinterpret_cast<const unsigned char*>(text);
    std::vector<Token> tokens = compile(reinterpret_cast<const unsigned char*>(pattern));
    std::size_t n = std::strlen(text);
    // next[i]: the tokens after the current one match text from position i.
    std::vector<char> next(n + 1, 0), current(n + 1, 0);
    next[n] = 1;
    for (std::size_t k = tokens.size(); k-- > 0;) {
        const Token& token = tokens[k];
        if (token.kind == Token::AnyRun) {
            current[n] = next[n];
            for (std::size_t i = n; i-- > 0;)
                current[i] = next[i] || current[i + 1];
        } else {
            current[n] = 0;
            for (std::size_t i = 0; i < n; ++i)
                current[i] = accepts(token, t[i]) && next[i + 1];
        }
        next.swap(current);
    }
    return next[0] ? 1 : 0;
}

} // namespace haltrix
