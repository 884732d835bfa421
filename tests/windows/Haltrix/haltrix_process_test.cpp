// The terminator run as a program against real processes. The build linked
// with the Toolhelp source lists what wine runs; the shipped program reads
// the performance data, where wine has no process object.
#include "child_process.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

using wintest::Child;

// Sleepers under unique names, copied from the helper into a temporary directory.
class Sleepers {
public:
    explicit Sleepers(const std::vector<std::string>& names) {
        for (const auto& name : names) {
            std::string exe = dir_.path() + "\\" + name + ".exe";
            if (!CopyFileA((wintest::binDir() + "\\kor_sleeper.exe").c_str(), exe.c_str(), FALSE))
                throw std::runtime_error("cannot copy the sleeper to " + exe);
            children_[name] = std::make_unique<Child>("\"" + exe + "\" 60");
        }
        for (auto& [name, child] : children_) {
            if (!child->started())
                throw std::runtime_error("cannot start " + name);
        }
    }
    // The sleepers that ended with the terminator's exit code 1. Wine ends a
    // terminated process after TerminateProcess returns: those in `awaited`
    // are given up to 10 s to be gone, the others 200 ms.
    std::set<std::string> terminated(const std::set<std::string>& awaited) const {
        std::set<std::string> gone;
        for (const auto& [name, child] : children_) {
            if (child->waitExit(awaited.count(name) ? 10000 : 200) == 1)
                gone.insert(name);
        }
        return gone;
    }
    bool allRunning() const {
        for (const auto& [name, child] : children_) {
            if (!child->running())
                return false;
        }
        return true;
    }

private:
    wintest::TempDir dir_;
    std::map<std::string, std::unique_ptr<Child>> children_;
};

std::string prefix() {
    return wintest::uniqueLetters("hx");
}

// Haltrix takes as its pattern what follows the first blank of its command
// line, quotes not looked at, so it is started by its bare name, as the
// clean-up program starts it, and found in this program's own directory,
// where a process is first looked for: the checkout's path may hold blanks.
std::string terminator() {
    return "HaltrixToolhelp.exe";
}

struct PatternCase {
    const char* label;
    std::string pattern; // "@" stands for the unique prefix
    std::set<std::string> terminated;
};

std::string expand(std::string text) {
    for (std::size_t at; (at = text.find('@')) != std::string::npos;)
        text.replace(at, 1, prefix());
    return text;
}

TEST(HaltrixProgram, TerminatesExactlyTheMatchingProcesses) {
    const PatternCase cases[] = {
        {"name without extension", "@alpha", {"@alpha"}},
        {"any case, with extension", "@ALPHA.EXE", {"@alpha"}},
        {"set with a range and a star", "@[a-b]*", {"@alpha", "@beta"}},
        {"question mark", "@?lpha", {"@alpha"}},
        {"name cut at its first dot", "@", {"@.dotted"}},
        {"full name with extension", "@.dotted.exe", {"@.dotted"}},
        {"no match", "@zulu", {}},
        {"extension cut short", "@alpha.ex", {}},
    };
    for (const auto& c : cases) {
        Sleepers sleepers(
            {expand("@alpha"), expand("@beta"), expand("@charlie"), expand("@.dotted")});
        EXPECT_EQ(wintest::runToEnd(terminator() + " " + expand(c.pattern)), 0) << c.label;
        std::set<std::string> expected;
        for (const auto& name : c.terminated)
            expected.insert(expand(name));
        EXPECT_EQ(sleepers.terminated(expected), expected) << c.label;
    }
}

TEST(HaltrixProgram, MissingOrOversizedPatternExitsOneAndTerminatesNothing) {
    Sleepers sleepers({expand("@alpha")});
    // Strings, not pointers: the text of a temporary string would be gone
    // before the loop reads it.
    const std::string tails[] = {"", " ", " \t  ", " " + std::string(300, '*')};
    for (const std::string& tail : tails)
        EXPECT_EQ(wintest::runToEnd(terminator() + tail), 1) << "tail '" << tail << "'";
    EXPECT_TRUE(sleepers.allRunning());
}

TEST(HaltrixProgram, NeverTerminatesItselfOrItsParent) {
    // Its own name and this test's name: both match, both count as handled.
    EXPECT_EQ(wintest::runToEnd(terminator() + " HaltrixToolhelp"), 0);
    EXPECT_EQ(wintest::runToEnd(terminator() + " haltrix_process_test"), 0);
}

TEST(HaltrixProgram, ShippedProgramFindsNoProcessObjectUnderWineAndExitsZero) {
    Sleepers sleepers({expand("@alpha")});
    EXPECT_EQ(wintest::runToEnd("Haltrix.exe " + expand("@alpha")), 0);
    EXPECT_TRUE(sleepers.allRunning());
}

TEST(HaltrixProgram, OutsideTheNtFamilyExitsOne) {
    wintest::TempDir dir;
    std::string name = expand("@nonnt.exe");
    std::string exe = dir.path() + "\\" + name;
    ASSERT_TRUE(
        CopyFileA((wintest::binDir() + "\\HaltrixToolhelp.exe").c_str(), exe.c_str(), FALSE));
    wintest::setWineVersionFor(name, "win98");
    Sleepers sleepers({expand("@alpha")});
    EXPECT_EQ(wintest::runToEnd("\"" + exe + "\" " + expand("@alpha")), 1);
    wintest::setWineVersionFor(name, "");
    EXPECT_TRUE(sleepers.allRunning());
}

} // namespace
