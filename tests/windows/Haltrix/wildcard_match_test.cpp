#include "pattern_argument.h"
#include "wildcard_match.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>

using haltrix::WildcardMatch;

namespace {

struct MatchCase {
    const char* text;
    const char* pattern;
    int expected;
};

TEST(WildcardMatch, Table) {
    const MatchCase cases[] = {
        // literals and case: the text is upper-cased, the pattern is not
        {"notepad", "NOTEPAD", 1},
        {"NotePad", "NOTEPAD", 1},
        {"notepad", "notepad", 0},
        {"notepad", "NOTEPA", 0},
        {"notepa", "NOTEPAD", 0},
        {"", "", 1},
        {"a", "", 0},
        // "?"
        {"ab", "A?", 1},
        {"a", "A?", 0},
        {"abc", "?B?", 1},
        // runs of "*"
        {"", "*", 1},
        {"anything.exe", "*", 1},
        {"abc", "***", 1},
        {"abc", "A**C", 1},
        {"abc", "*B*", 1},
        {"abc", "*D*", 0},
        {"aaaa", "*A*A*A*A*", 1},
        {"aaa", "*A*A*A*A*", 0},
        {"notepad.exe", "*.EXE", 1},
        // sets and ranges
        {"b", "[ABC]", 1},
        {"d", "[ABC]", 0},
        {"B", "[A-C]", 1},
        {"c", "[A-C]", 1},
        {"d", "[A-C]", 0},
        {"beta", "[A-C]*", 1},
        {"delta", "[A-C]*", 0},
        {"x", "[A-CX]", 1},
        {"e", "[A-C-E]", 1}, // second range runs from C
        {"!", "[-C]", 1},    // leading "-": from character 0
        {"d", "[-C]", 0},
        {"a", "[A-]", 1}, // matched before the dangling "-"
        {"b", "[A-]", 0}, // "-" before "]" rejects
        {"a", "[]A]", 0}, // "]" cannot be a member
        {"", "[A]", 0},
        {"ab", "[A]B", 1},
        {"ab", "[AB", 0}, // unclosed set
        {"a", "[A", 0},
        {"ab", "*[AB", 0},
        {"a", "[", 0},
        {"a", "[A-", 0},
        {"abc", "A[B-B]C", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WildcardMatch(c.text, c.pattern), c.expected)
            << "text '" << c.text << "' pattern '" << c.pattern << "'";
}

// The matcher as the rule reads, recursion and all: the oracle for the
// linear matcher on short inputs.
int referenceSet(const char*& p, unsigned char c) {
    unsigned char previous = 0;
    for (;;) {
        if (*p == '\0' || *p == ']')
            return 0;
        bool match;
        if (*p == '-') {
            ++p;
            if (*p == '\0' || *p == ']')
                return 0;
            match = previous <= c && c <= static_cast<unsigned char>(*p);
        } else {
            match = c == static_cast<unsigned char>(*p);
        }
        previous = static_cast<unsigned char>(*p++);
        if (match) {
            while (*p != '\0' && *p != ']')
                ++p;
            if (*p == '\0')
                return 0;
            ++p;
            return 1;
        }
    }
}

int reference(const char* t, const char* p) {
    auto up = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 32) : c; };
    switch (*p) {
    case '\0':
        return *t == '\0';
    case '*':
        for (const char* s = t; *s; ++s)
            if (reference(s, p + 1))
                return 1;
        return reference(t + std::char_traits<char>::length(t), p + 1);
    case '?':
        return *t ? reference(t + 1, p + 1) : 0;
    case '[': {
        if (!*t)
            return 0;
        const char* q = p + 1;
        if (!referenceSet(q, static_cast<unsigned char>(up(*t))))
            return 0;
        return reference(t + 1, q);
    }
    default:
        return up(*t) == *p ? reference(t + 1, p + 1) : 0;
    }
}

TEST(WildcardMatch, GivesTheAnswersOfTheRecursiveRule) {
    std::mt19937 random(7);
    const std::string patternChars = "AB*?[]-";
    const std::string textChars = "abAB-]";
    for (int round = 0; round < 20000; ++round) {
        std::string text, pattern;
        for (int i = random() % 7; i > 0; --i)
            text += textChars[random() % textChars.size()];
        for (int i = random() % 7; i > 0; --i)
            pattern += patternChars[random() % patternChars.size()];
        ASSERT_EQ(WildcardMatch(text.c_str(), pattern.c_str()),
                  reference(text.c_str(), pattern.c_str()))
            << "text '" << text << "' pattern '" << pattern << "'";
    }
}

TEST(WildcardMatch, StarsDoNotBacktrackExponentially) {
    std::string text(255, 'a');
    std::string pattern;
    for (int i = 0; i < 140; ++i)
        pattern += "*A";
    pattern += "B";
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(WildcardMatch(text.c_str(), pattern.c_str()), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

struct TailCase {
    const char* commandLine;
    std::string expected;
};

TEST(PatternArgument, TailAfterProgramNameUpperCased) {
    const TailCase cases[] = {
        {"haltrix.exe notepad", "NOTEPAD"},
        {"haltrix.exe \t  note pad  ", "NOTE PAD  "},
        {"\"C:\\Program Files\\haltrix.exe\" x", "FILES\\HALTRIX.EXE\" X"}, // quotes not looked at
        {"haltrix.exe", ""},
        {"haltrix.exe   \t", ""},
        {"haltrix.exe\tab[c-d]*", "AB[C-D]*"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(haltrix::patternFromCommandLine(c.commandLine), c.expected) << c.commandLine;
}

TEST(PatternArgument, TailThatDoesNotFitIsRefusedRatherThanCut) {
    std::string fits(haltrix::kPatternBytes - 1, 'a');
    std::string tooLong(haltrix::kPatternBytes, 'a');
    EXPECT_EQ(haltrix::patternFromCommandLine(("h " + fits).c_str()).size(), fits.size());
    EXPECT_EQ(haltrix::patternFromCommandLine(("h " + tooLong).c_str()), "");
}

} // namespace
