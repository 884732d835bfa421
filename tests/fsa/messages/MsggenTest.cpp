// The table generator run on small inputs, good and bad.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string kGoodMessages = "# a comment\n"
                                  "1 \"one\"\n"
                                  "\n"
                                  "2 \"two \\\"q\\\"\"\n"
                                  "9 \"tab\\tback\\\\slash\\nline\\r\"\n";
const std::string kGoodRuns = "1-2 -> 1-2\n5 -> 9\n";

class Generator : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/fsa_msggen_test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir_ + "'").c_str()); }

    struct Run {
        int exitCode;
        std::string errors;
    };

    // With `names`, the status name table is read too and the header written.
    Run generate(const std::string& messages, const std::string& runs,
                 const std::string* names = nullptr) {
        std::ofstream(dir_ + "/messages.txt", std::ios::binary) << messages;
        std::ofstream(dir_ + "/runs.txt", std::ios::binary) << runs;
        std::string namesArguments;
        if (names) {
            std::ofstream(dir_ + "/names.txt", std::ios::binary) << *names;
            namesArguments = " '" + dir_ + "/names.txt' '" + header() + "'";
        }
        const std::string command = std::string("'") + FSA_MSGGEN + "' '" + dir_ +
                                    "/messages.txt' '" + dir_ + "/runs.txt' '" + output() + "'" +
                                    namesArguments + " 2>'" + dir_ + "/errors'";
        const int status = std::system(command.c_str());
        std::ifstream errors(dir_ + "/errors");
        std::stringstream text;
        text << errors.rdbuf();
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text.str()};
    }

    std::string output() const { return dir_ + "/table.cpp"; }
    std::string header() const { return dir_ + "/names.h"; }
    bool outputExists() const { return access(output().c_str(), F_OK) == 0; }
    bool headerExists() const { return access(header().c_str(), F_OK) == 0; }

    std::string dir_;
};

TEST_F(Generator, GoodInputGivesRecordsTextsAndStatusRows) {
    const Run run = generate(kGoodMessages, kGoodRuns);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    std::ifstream in(output());
    std::stringstream text;
    text << in.rdbuf();
    const std::string table = text.str();
    // Offsets follow the layout rule: each text, then one byte for its terminator.
    EXPECT_NE(table.find("{1, 3, 0},"), std::string::npos);
    EXPECT_NE(table.find("{2, 7, 4},"), std::string::npos);
    EXPECT_NE(table.find("{9, 20, 12},"), std::string::npos);
    EXPECT_NE(table.find("kTotalRecord = 9;"), std::string::npos);
    EXPECT_NE(table.find("kTotalBufferSize = 33;"), std::string::npos);
    EXPECT_NE(table.find("\"two \\042q\\042\\000\""), std::string::npos);
    EXPECT_NE(table.find("\"tab\\011back\\134slash\\012line\\015\\000\""), std::string::npos);
    EXPECT_NE(table.find("{1, 1},\n    {2, 2},\n    {5, 9},"), std::string::npos);
}

struct Bad {
    const char* what;
    std::string messages;
    std::string runs;
    const char* error; // part of the report, after "file:line: "
};

TEST_F(Generator, RejectsEveryFaultWithItsLineAndLeavesNoOutput) {
    const Bad cases[] = {
        {"text not quoted", "1 one\n", kGoodRuns, "messages.txt:1: malformed line"},
        {"two blanks after the id", "1  \"one\"\n", kGoodRuns, "messages.txt:1: malformed line"},
        {"no id", "\"one\"\n", kGoodRuns, "messages.txt:1: malformed line"},
        {"no closing quote", "1 \"one\n", kGoodRuns, "messages.txt:1: malformed line"},
        {"text after the quote", "1 \"one\" x\n", kGoodRuns, "messages.txt:1: malformed line"},
        {"line ending CR LF", "1 \"one\"\r\n", kGoodRuns, "messages.txt:1: malformed line"},
        {"id 0", "0 \"zero\"\n", kGoodRuns, "messages.txt:1: message id must be"},
        {"leading zero", "01 \"one\"\n", kGoodRuns, "messages.txt:1: message id must be"},
        {"id too large", "4294967296 \"x\"\n", kGoodRuns,
         "messages.txt:1: message id out of range"},
        {"duplicate id", "1 \"one\"\n2 \"a\"\n2 \"b\"\n", kGoodRuns,
         "messages.txt:3: duplicate message id 2"},
        {"id out of order", "1 \"one\"\n3 \"c\"\n2 \"b\"\n", kGoodRuns,
         "messages.txt:3: message id 2 out of order"},
        {"unknown escape", "1 \"a\\x41\"\n", kGoodRuns, "messages.txt:1: unexpected escape \\x"},
        {"escape at the end", "1 \"a\\\n", kGoodRuns, "messages.txt:1: malformed line"},
        {"raw tab", "1 \"a\tb\"\n", kGoodRuns, "messages.txt:1: unexpected byte 0x09"},
        {"byte above ASCII", "1 \"caf\xc3\xa9\"\n", kGoodRuns,
         "messages.txt:1: unexpected byte 0xC3"},
        {"zero byte", std::string("1 \"a\0b\"\n", 8), kGoodRuns,
         "messages.txt:1: unexpected byte 0x00"},
        {"id without text", "1 \"one\"\n2 \"\"\n", kGoodRuns,
         "messages.txt:2: message 2 has no text"},
        {"no messages", "# only a comment\n", kGoodRuns, "messages.txt: no messages"},
        {"run to a missing message", kGoodMessages, "1-3 -> 1-3\n",
         "runs.txt:1: status 3 points to missing message 3"},
        {"single row to a missing message", kGoodMessages, "1 -> 1\n7 -> 8\n",
         "runs.txt:2: status 7 points to missing message 8"},
        {"runs overlap", kGoodMessages, "1-2 -> 1-2\n2 -> 9\n",
         "runs.txt:2: status 2 out of order or covered twice"},
        {"runs out of order", kGoodMessages, "5 -> 9\n1 -> 1\n",
         "runs.txt:2: status 1 out of order or covered twice"},
        {"ranges of different lengths", kGoodMessages, "1-2 -> 1\n",
         "runs.txt:1: status and message ranges differ in length"},
        {"backwards range", kGoodMessages, "2-1 -> 1-2\n",
         "runs.txt:1: status range runs backwards"},
        {"malformed arrow", kGoodMessages, "1 => 1\n", "runs.txt:1: malformed line"},
        {"trailing text", kGoodMessages, "1 -> 1 x\n", "runs.txt:1: malformed line"},
        {"no runs", kGoodMessages, "", "runs.txt: no status runs"},
        {"run to none overlapping a run", kGoodMessages, "1-2 -> 1-2\n2 -> none\n",
         "runs.txt:2: status 2 out of order or covered twice"},
        {"run to none out of order", kGoodMessages, "5 -> 9\n3 -> none\n",
         "runs.txt:2: status 3 out of order or covered twice"},
        {"text after none", kGoodMessages, "1 -> 1\n3 -> none x\n", "runs.txt:2: malformed line"},
        {"only runs to none", kGoodMessages, "3 -> none\n", "runs.txt: no status runs"},
    };
    for (const Bad& c : cases) {
        SCOPED_TRACE(c.what);
        const Run run = generate(c.messages, c.runs);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.errors.find(c.error), std::string::npos) << run.errors;
        EXPECT_FALSE(outputExists());
    }
}

TEST_F(Generator, NameTableGivesTheStatusEnumeration) {
    const std::string names = "# names\n1 FSA_STS_SUCCESS\n\n7 FSA_STS_BAD_ARGUMENTS\n"
                              "600 FSA_STS_NO_TEXT_2\n";
    const Run run = generate(kGoodMessages, kGoodRuns + "7 -> 2\n600 -> none\n", &names);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    std::ifstream in(header());
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("enum FSA_STATUS : std::uint32_t {\n"
                              "    FSA_STS_SUCCESS = 1,\n"
                              "    FSA_STS_BAD_ARGUMENTS = 7,\n"
                              "    FSA_STS_NO_TEXT_2 = 600,\n"
                              "};\n"),
              std::string::npos)
        << text.str();
    EXPECT_TRUE(outputExists());
}

TEST_F(Generator, RejectsEveryFaultInTheNameTableAndLeavesNoOutput) {
    const struct {
        const char* what;
        std::string names;
        const char* error;
    } cases[] = {
        {"no name", "1\n", "names.txt:1: malformed line"},
        {"two blanks", "1  FSA_STS_A\n", "names.txt:1: malformed line: expected a name"},
        {"name without the prefix", "1 STS_A\n", "names.txt:1: malformed line: expected a name"},
        {"prefix alone", "1 FSA_STS_\n", "names.txt:1: malformed line: expected a name"},
        {"small letters", "1 FSA_STS_a\n", "names.txt:1: malformed line: expected a name"},
        {"trailing blank", "1 FSA_STS_A \n", "names.txt:1: malformed line: expected a name"},
        {"status 0", "0 FSA_STS_A\n", "names.txt:1: status must be"},
        {"status named twice", "1 FSA_STS_A\n1 FSA_STS_B\n",
         "names.txt:2: status 1 out of order or named twice"},
        {"out of order", "2 FSA_STS_A\n1 FSA_STS_B\n",
         "names.txt:2: status 1 out of order or named twice"},
        {"name twice", "1 FSA_STS_A\n2 FSA_STS_A\n", "names.txt:2: name FSA_STS_A given twice"},
        {"no names", "# none\n", "names.txt: no status names"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Run run = generate(kGoodMessages, kGoodRuns, &c.names);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.errors.find(c.error), std::string::npos) << run.errors;
        EXPECT_FALSE(outputExists());
        EXPECT_FALSE(headerExists());
    }
}

// A status made in one table but not the other: a name without a text (a run
// or a run to none), or a run to none without a name.
TEST_F(Generator, RefusesHalfMadeStatusEntriesAndLeavesNoOutput) {
    const struct {
        const char* what;
        std::string runs;
        std::string names;
        const char* error;
    } cases[] = {
        {"named status without a run", kGoodRuns, "1 FSA_STS_A\n3 FSA_STS_C\n",
         "names.txt:2: status 3 FSA_STS_C has no text"},
        {"named status past every run", kGoodRuns, "5 FSA_STS_E\n6 FSA_STS_F\n",
         "names.txt:2: status 6 FSA_STS_F has no text"},
        {"run to none without a name", kGoodRuns + "7 -> none\n", "1 FSA_STS_A\n",
         "names.txt: status 7 is run to none but has no name"},
        {"range to none named in part", kGoodRuns + "7-8 -> none\n", "7 FSA_STS_G\n",
         "names.txt: status 8 is run to none but has no name"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Run run = generate(kGoodMessages, c.runs, &c.names);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.errors.find(c.error), std::string::npos) << run.errors;
        EXPECT_FALSE(outputExists());
        EXPECT_FALSE(headerExists());
    }
}

TEST_F(Generator, StatusesRunToNoneGetNoRow) {
    const std::string names = "2 FSA_STS_B\n3 FSA_STS_C\n4 FSA_STS_D\n";
    const Run run = generate(kGoodMessages, "1-2 -> 1-2\n3-4 -> none\n5 -> 9\n", &names);
    ASSERT_EQ(run.exitCode, 0) << run.errors;
    std::ifstream in(output());
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("{1, 1},\n    {2, 2},\n    {5, 9},\n};"), std::string::npos)
        << text.str();
    EXPECT_NE(text.str().find("kStatusRowCount = 3;"), std::string::npos) << text.str();
}

TEST_F(Generator, MissingInputIsReported) {
    const std::string command = std::string("'") + FSA_MSGGEN + "' '" + dir_ + "/absent' '" + dir_ +
                                "/absent' '" + output() + "' 2>/dev/null";
    const int status = std::system(command.c_str());
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_FALSE(outputExists());
}

} // namespace
