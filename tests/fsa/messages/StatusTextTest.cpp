#include "FsaMessages.h"
#include "MessageFile.h"
#include "MessageTable.h"

#include <gtest/gtest.h>

#include <clocale>
#include <set>
#include <string>

using fsa_test::highestStatus;
using fsa_test::messageTexts;
using fsa_test::readMessage;
using fsa_test::statusMessages;

namespace {

class StatusText : public fsa_test::FreshCatalogue {};

std::string textOf(unsigned status, int* result = nullptr) {
    char text[FSA_ERROR_TEXT_SIZE];
    std::fill(std::begin(text), std::end(text), 'X');
    const int r = FsaGetErrorTextA(static_cast<FSA_STATUS>(status), text);
    if (result)
        *result = r;
    return text;
}

std::u32string wideTextOf(unsigned status, int* result) {
    FA_WCHAR text[FSA_ERROR_TEXT_SIZE];
    std::fill(std::begin(text), std::end(text), U'X');
    *result = FsaGetErrorTextW(static_cast<FSA_STATUS>(status), text);
    return text;
}

std::u32string widen(const std::string& s) {
    return std::u32string(s.begin(), s.end());
}

// Sets LC_CTYPE for one scope.
class CtypeLocale {
public:
    explicit CtypeLocale(const char* name) : old_(std::setlocale(LC_CTYPE, nullptr)) {
        if (std::setlocale(LC_CTYPE, name) == nullptr)
            throw std::runtime_error(std::string("no locale ") + name);
    }
    ~CtypeLocale() { std::setlocale(LC_CTYPE, old_.c_str()); }

private:
    std::string old_;
};

// The statuses the runs leave uncovered and the pairs below are the one pinned
// picture of the status table; counts and bounds come from the data files.
TEST_F(StatusText, TheRunsCoverEveryStatusButTheListedGaps) {
    const std::set<unsigned> gaps = {52,  53,  283, 297, 311, 460, 500, 501, 521,
                                     536, 537, 538, 539, 541, 544, 550, 580, 582};
    std::set<unsigned> uncovered;
    for (unsigned s = 1; s <= highestStatus(); ++s)
        if (statusMessages().count(s) == 0)
            uncovered.insert(s);
    EXPECT_EQ(uncovered, gaps);
    // The test's own reading of the status table and the generator's agree.
    EXPECT_EQ(statusMessages().size(), fsa_messages::kStatusRowCount);
    // Pairs that other parts of the library rely on.
    const std::pair<unsigned, unsigned> pairs[] = {
        {1, 1},      {31, 33},    {66, 72},    {84, 93},    {87, 96},    {91, 100},   {100, 109},
        {111, 120},  {134, 143},  {299, 307},  {304, 312},  {393, 403},  {423, 1102}, {428, 1118},
        {435, 1143}, {449, 1131}, {458, 476},  {466, 467},  {467, 466},  {473, 4},    {475, 1166},
        {476, 1170}, {477, 1172}, {478, 1174}, {479, 1176}, {480, 1177}, {484, 1183}, {493, 1192},
        {502, 1168}, {511, 1234}, {516, 404},  {519, 8001}, {545, 8007}, {601, 518}};
    for (const auto& [status, message] : pairs)
        EXPECT_EQ(statusMessages().at(status), message) << status;
}

TEST_F(StatusText, EveryStatusReadsTheMessageItsRunNames) {
    const std::string generic = messageTexts().at(312);
    for (unsigned status = 0; status <= highestStatus() + 1; ++status) {
        const auto row = statusMessages().find(status);
        const bool covered = row != statusMessages().end();
        const std::string expected = covered ? messageTexts().at(row->second) : generic;
        int narrowResult = -1, wideResult = -1;
        EXPECT_EQ(textOf(status, &narrowResult), expected) << status;
        EXPECT_EQ(wideTextOf(status, &wideResult), widen(expected)) << status;
        EXPECT_EQ(narrowResult, covered ? 1 : 0) << status;
        EXPECT_EQ(wideResult, narrowResult) << status;
    }
    int result = -1;
    EXPECT_EQ(textOf(304, &result), generic);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(textOf(0xFFFFFFFFu, &result), generic);
    EXPECT_EQ(result, 0);
}

TEST_F(StatusText, PutReplacesTheMessageForEveryReader) {
    const std::string fifty(50, 'z');
    EXPECT_EQ(FsaPutErrorTextA(FSA_STS_SUCCESS, fifty.c_str()), 1);
    EXPECT_EQ(textOf(1), fifty.substr(0, 33));
    EXPECT_EQ(readMessage(1), fifty.substr(0, 33));

    // Status 304 owns message 312, which every status without a row reads.
    const std::string long70(70, 'g');
    EXPECT_EQ(FsaPutErrorTextA(static_cast<FSA_STATUS>(304), long70.c_str()), 1);
    int result = -1;
    EXPECT_EQ(textOf(52, &result), long70.substr(0, 65));
    EXPECT_EQ(result, 0);
}

TEST_F(StatusText, PutToAStatusWithoutARowStoresNothing) {
    char text[] = "never stored";
    EXPECT_EQ(FsaPutErrorTextA(static_cast<FSA_STATUS>(52), text), 0);
    EXPECT_STREQ(text, "never stored");
    for (const auto& [id, expected] : messageTexts())
        ASSERT_EQ(readMessage(id), expected) << id;
    EXPECT_EQ(FsaPutErrorTextA(FSA_STS_SUCCESS, nullptr), 0);
    EXPECT_EQ(FsaPutErrorTextW(FSA_STS_SUCCESS, nullptr), 0);
    EXPECT_EQ(FsaGetErrorTextA(FSA_STS_SUCCESS, nullptr), 0);
    EXPECT_EQ(FsaGetErrorTextW(FSA_STS_SUCCESS, nullptr), 0);
    EXPECT_EQ(readMessage(1), messageTexts().at(1));
}

TEST_F(StatusText, WidePutStoresConvertibleTextAndRefusesTheRest) {
    const std::string original = messageTexts().at(1);
    struct Case {
        const char* locale;
        std::u32string text;
        int result;
        std::string stored; // the message's text afterwards
    };
    const Case cases[] = {
        {"C", U"plain text", 1, "plain text"},
        {"C", U"caf\u00e9", 0, original},            // no such character in ASCII
        {"C.UTF-8", U"caf\u00e9", 1, "caf\xc3\xa9"}, // two bytes in UTF-8
        {"C.UTF-8", std::u32string(U"a") + char32_t(0xD800), 0, original},
        {"C.UTF-8", std::u32string(U"a") + char32_t(0x110000), 0, original},
        {"C", std::u32string(400, U'w'), 1, std::string(33, 'w')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        FsaFreeStringResources();
        const CtypeLocale locale(c.locale);
        EXPECT_EQ(FsaPutErrorTextW(FSA_STS_SUCCESS, c.text.c_str()), c.result);
        EXPECT_EQ(readMessage(1), c.stored);
    }
}

TEST_F(StatusText, WideGetConvertsWithTheLocaleAndStopsAtABadSequence) {
    const CtypeLocale locale("C.UTF-8");
    ASSERT_EQ(FsaPutErrorTextA(FSA_STS_SUCCESS, "caf\xc3\xa9"), 1);
    int result = -1;
    EXPECT_EQ(wideTextOf(1, &result), U"caf\u00e9");
    EXPECT_EQ(result, 1);
    ASSERT_EQ(FsaPutErrorTextA(FSA_STS_SUCCESS, "ab\xff"
                                                "cd"),
              1);
    EXPECT_EQ(wideTextOf(1, &result), U"ab");
    EXPECT_EQ(result, 1);
}

} // namespace
