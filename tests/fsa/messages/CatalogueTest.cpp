#include "FsaMessages.h"
#include "MessageFile.h"
#include "MessageTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

using fsa_test::highestMessageId;
using fsa_test::messageTexts;
using fsa_test::readMessage;

namespace {

class Catalogue : public fsa_test::FreshCatalogue {};

std::u32string widen(const std::string& s) {
    std::u32string w;
    for (const char c : s)
        w += static_cast<char32_t>(static_cast<unsigned char>(c));
    return w;
}

std::string narrow(const std::u32string& w) {
    std::string s;
    for (const char32_t c : w)
        s += static_cast<char>(c);
    return s;
}

// Every message id other than `except` reads as the data file has it.
void expectOthersUnchanged(unsigned except) {
    for (const auto& [id, text] : messageTexts()) {
        if (id != except) {
            ASSERT_EQ(readMessage(id), text) << "message " << id;
        }
    }
}

TEST_F(Catalogue, EveryIdReadsAsTheDataFileHasItNarrowAndWide) {
    const auto& texts = messageTexts();
    // The test's own reading of the data file and the generator's agree.
    ASSERT_EQ(texts.size(), fsa_messages::kMessageRecordCount);
    ASSERT_EQ(highestMessageId(), fsa_messages::kTotalRecord);
    for (unsigned id = 0; id <= highestMessageId() + 100; ++id) {
        const auto it = texts.find(id);
        std::vector<char> a(1024, 'X');
        std::vector<FA_WCHAR> w(1024, U'X');
        unsigned sizeA = 1024, sizeW = 1024;
        const unsigned ra = FsaGetStringA(a.data(), &sizeA, id);
        const unsigned rw = FsaGetStringW(w.data(), &sizeW, id);
        if (it == texts.end()) {
            EXPECT_EQ(ra, FSA_MSG_NOT_FOUND) << id;
            EXPECT_EQ(rw, FSA_MSG_NOT_FOUND) << id;
            EXPECT_EQ(sizeA, 1024u) << id;
            EXPECT_EQ(sizeW, 1024u) << id;
            EXPECT_EQ(a[0], 'X') << id;
            EXPECT_EQ(w[0], U'X') << id;
            continue;
        }
        const std::string& text = it->second;
        ASSERT_EQ(ra, FSA_MSG_DONE) << id;
        ASSERT_EQ(rw, FSA_MSG_DONE) << id;
        EXPECT_EQ(sizeA, text.size() + 1) << id;
        EXPECT_EQ(sizeW, text.size() + 1) << id;
        EXPECT_EQ(std::string(a.data(), text.size() + 1), text + '\0') << id;
        EXPECT_EQ(std::u32string(w.data(), text.size() + 1), widen(text) + U'\0') << id;
        EXPECT_EQ(a[text.size() + 1], 'X') << id << ": wrote past the terminator";

        unsigned shortSize = static_cast<unsigned>(text.size());
        EXPECT_EQ(FsaGetStringA(a.data(), &shortSize, id), FSA_MSG_BUFFER_TOO_SMALL) << id;
        EXPECT_EQ(shortSize, text.size() + 1) << id;
        shortSize = static_cast<unsigned>(text.size());
        EXPECT_EQ(FsaGetStringW(w.data(), &shortSize, id), FSA_MSG_BUFFER_TOO_SMALL) << id;
        EXPECT_EQ(shortSize, text.size() + 1) << id;
    }
}

// The texts whose exact blanks, quotes and lengths matter to their readers.
TEST_F(Catalogue, TextsKeepTheirExactBlanksQuotesAndSlotLengths) {
    EXPECT_EQ(readMessage(1), "OK: The operation was successful.");
    EXPECT_EQ(readMessage(312),
              "ERROR TEXT: Could not translate message to its text description. ");
    EXPECT_EQ(readMessage(1233), "Untitled-");
    EXPECT_EQ(readMessage(30).back(), ' ');
    EXPECT_NE(readMessage(18).find("controller.  Please"), std::string::npos);
    EXPECT_EQ(readMessage(262),
              "The protocol string was invalid.  Try \"TCPIP\", \"SPX\", or \"NETBEUI\".");
    for (const unsigned id : {434u, 435u, 436u})
        EXPECT_EQ(readMessage(id).substr(readMessage(id).size() - 2), ".\"") << id;
    EXPECT_NE(readMessage(433).find("be selected.Please"), std::string::npos);
    EXPECT_EQ(readMessage(507).substr(readMessage(507).size() - 3), ".  ");
    for (const unsigned id : {420u, 421u, 1100u})
        EXPECT_EQ(readMessage(id).substr(readMessage(id).size() - 2), ". ") << id;
    EXPECT_EQ(readMessage(437), readMessage(438));
    EXPECT_EQ(readMessage(194), readMessage(195));
    EXPECT_EQ(readMessage(27), readMessage(335));
    EXPECT_EQ(readMessage(1165), "Failed to open adapter lock file, %3d=%.30s.");
    EXPECT_EQ(readMessage(1176), "The driver could not execute the requested IOCTL "
                                 "sssssssssssssssssssssssss, nnn=ssssssssssssssssssssssssssssss.");
    const std::pair<unsigned, std::size_t> slots[] = {{1166, 69}, {1168, 62}, {1170, 70},
                                                      {1172, 71}, {1174, 76}, {1176, 111},
                                                      {1179, 72}, {1182, 115}};
    for (const auto& [id, length] : slots)
        EXPECT_EQ(readMessage(id).size(), length) << id;
}

enum class Op { GetA, GetW, PutA, PutW };

struct Boundary {
    const char* what;
    Op op;
    unsigned id;
    unsigned sizeIn;
    std::u32string text; // what a put stores (narrowed unit by unit for PutA)
    unsigned result;
    unsigned sizeOut;
    // A get: the text delivered, or none when the buffer must stay untouched.
    // A put: the message's text afterwards.
    std::string after;
};

std::vector<Boundary> boundaries() {
    const std::string one = messageTexts().at(1);
    const std::string slot = messageTexts().at(1166); // 69 characters
    const unsigned highestId = highestMessageId();
    const std::string highest = messageTexts().at(highestId);
    const std::string s69(69, 'q'), s100 = std::string(60, 'a') + std::string(40, 'b');
    const auto h = static_cast<unsigned>(highest.size() + 1);
    return {
        {"exact buffer", Op::GetA, 1, 34, {}, FSA_MSG_DONE, 34, one},
        {"larger buffer reports the slot size", Op::GetA, 1, 320, {}, FSA_MSG_DONE, 34, one},
        {"one byte short", Op::GetA, 1, 33, {}, FSA_MSG_BUFFER_TOO_SMALL, 34, ""},
        {"size query with no room", Op::GetA, 1, 0, {}, FSA_MSG_BUFFER_TOO_SMALL, 34, ""},
        {"wide exact buffer", Op::GetW, 1, 34, {}, FSA_MSG_DONE, 34, one},
        {"wide one short", Op::GetW, 1, 33, {}, FSA_MSG_BUFFER_TOO_SMALL, 34, ""},
        {"highest id", Op::GetA, highestId, h, {}, FSA_MSG_DONE, h, highest},
        {"id 0", Op::GetA, 0, 320, {}, FSA_MSG_NOT_FOUND, 320, ""},
        {"gap after the first range", Op::GetA, 1236, 320, {}, FSA_MSG_NOT_FOUND, 320, ""},
        {"just below the second range", Op::GetA, 7999, 320, {}, FSA_MSG_NOT_FOUND, 320, ""},
        {"past the highest id", Op::GetA, highestId + 1, 320, {}, FSA_MSG_NOT_FOUND, 320, ""},
        {"reserved id inside a range", Op::GetA, 487, 320, {}, FSA_MSG_NOT_FOUND, 320, ""},
        {"largest id", Op::GetW, UINT_MAX, 320, {}, FSA_MSG_NOT_FOUND, 320, ""},

        {"shorter text, size lowered to slot", Op::PutA, 1166, 100, U"abc", FSA_MSG_DONE, 69,
         "abc"},
        {"longer text cut to the slot", Op::PutA, 1166, 100, widen(s100), FSA_MSG_DONE, 69,
         s100.substr(0, 69)},
        {"text exactly the slot", Op::PutA, 1166, 320, widen(s69), FSA_MSG_DONE, 69, s69},
        {"size below the slot stays", Op::PutA, 1166, 5, U"abc", FSA_MSG_DONE, 5, "abc"},
        {"empty text", Op::PutA, 1, 320, U"", FSA_MSG_DONE, 33, ""},
        {"put to a missing id", Op::PutA, 1236, 320, U"abc", FSA_MSG_NOT_FOUND, 320, ""},
        {"wide shorter text", Op::PutW, 1166, 4, U"abc", FSA_MSG_DONE, 4, "abc"},
        {"wide text filling the slot", Op::PutW, 1166, 70, widen(s69), FSA_MSG_DONE, 70, s69},
        {"wide size above the slot refused", Op::PutW, 1166, 71, widen(s69) + U"z",
         FSA_MSG_BUFFER_TOO_SMALL, 70, slot},
        {"wide reads no more than its size", Op::PutW, 1166, 3, U"abcdef", FSA_MSG_DONE, 3, "abc"},
        {"wide unit 0xFF is one byte", Op::PutW, 1166, 3, U"a\u00ff", FSA_MSG_DONE, 3, "a\xff"},
        {"wide unit above 0xFF refused", Op::PutW, 1166, 4, U"a\u0100b", FSA_MSG_BAD_ARGUMENT, 4,
         slot},
        {"wide put to a missing id", Op::PutW, 0, 4, U"abc", FSA_MSG_NOT_FOUND, 4, ""},
    };
}

TEST_F(Catalogue, BoundaryCases) {
    for (const Boundary& c : boundaries()) {
        SCOPED_TRACE(c.what);
        FsaFreeStringResources();
        unsigned size = c.sizeIn;
        std::vector<char> a(400, 'X');
        std::vector<FA_WCHAR> w(400, U'X');
        unsigned result = 0;
        switch (c.op) {
        case Op::GetA:
            result = FsaGetStringA(a.data(), &size, c.id);
            break;
        case Op::GetW:
            result = FsaGetStringW(w.data(), &size, c.id);
            break;
        case Op::PutA:
            result = FsaPutStringA(narrow(c.text).c_str(), &size, c.id);
            break;
        case Op::PutW:
            result = FsaPutStringW(c.text.c_str(), &size, c.id);
            break;
        }
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(size, c.sizeOut);

        if (c.op == Op::GetA || c.op == Op::GetW) {
            const std::size_t written = result == FSA_MSG_DONE ? c.after.size() + 1 : 0;
            const std::string got = c.op == Op::GetA ? std::string(a.begin(), a.end())
                                                     : narrow(std::u32string(w.begin(), w.end()));
            if (written > 0) {
                EXPECT_EQ(got.substr(0, written), c.after + '\0');
            }
            EXPECT_EQ(got.find_first_not_of('X', written), std::string::npos)
                << "wrote outside the delivered text";
            continue;
        }
        if (result == FSA_MSG_NOT_FOUND) {
            expectOthersUnchanged(0);
            continue;
        }
        // The slot keeps its size whatever it now holds, and nothing else moved.
        const std::size_t length = messageTexts().at(c.id).size();
        EXPECT_EQ(readMessage(c.id), c.after);
        unsigned readSize = static_cast<unsigned>(length);
        std::vector<char> back(400, 'X');
        EXPECT_EQ(FsaGetStringA(back.data(), &readSize, c.id), FSA_MSG_BUFFER_TOO_SMALL);
        EXPECT_EQ(readSize, length + 1);
        EXPECT_EQ(FsaGetStringA(back.data(), &readSize, c.id), FSA_MSG_DONE);
        EXPECT_EQ(std::count(back.begin(), back.begin() + length + 1, '\0'),
                  static_cast<long>(length + 1 - c.after.size()))
            << "the rest of the slot is zero";
        expectOthersUnchanged(c.id);
    }
}

TEST_F(Catalogue, NullPointersAreRefused) {
    unsigned size = 320;
    EXPECT_EQ(FsaGetStringA(nullptr, &size, 1), FSA_MSG_BAD_ARGUMENT);
    EXPECT_EQ(FsaGetStringA(nullptr, nullptr, 1), FSA_MSG_BAD_ARGUMENT);
    EXPECT_EQ(FsaGetStringW(nullptr, &size, 1), FSA_MSG_BAD_ARGUMENT);
    EXPECT_EQ(FsaPutStringA(nullptr, &size, 1), FSA_MSG_BAD_ARGUMENT);
    EXPECT_EQ(FsaPutStringA("x", nullptr, 1), FSA_MSG_BAD_ARGUMENT);
    size = 4;
    EXPECT_EQ(FsaPutStringW(nullptr, &size, 1), FSA_MSG_BAD_ARGUMENT);
    EXPECT_EQ(FsaPutStringW(U"x", nullptr, 1), FSA_MSG_BAD_ARGUMENT);
    expectOthersUnchanged(0);
}

TEST_F(Catalogue, ReleaseIsHarmlessBeforeABuildAndTheNextCallRebuilds) {
    EXPECT_EQ(FsaFreeStringResources(), FSA_MSG_DONE);
    EXPECT_EQ(FsaFreeStringResources(), FSA_MSG_DONE);
    unsigned size = 320;
    ASSERT_EQ(FsaPutStringA("replaced", &size, 1), FSA_MSG_DONE);
    ASSERT_EQ(readMessage(1), "replaced");
    EXPECT_EQ(FsaFreeStringResources(), FSA_MSG_DONE);
    EXPECT_EQ(readMessage(1), messageTexts().at(1));
    size = 320;
    EXPECT_EQ(FsaFreeStringResources(), FSA_MSG_DONE);
    EXPECT_EQ(FsaPutStringA("again", &size, 2), FSA_MSG_DONE);
    EXPECT_EQ(readMessage(2), "again");
}

} // namespace
