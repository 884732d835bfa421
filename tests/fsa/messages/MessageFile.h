#pragma once

#include <gtest/gtest.h>

#include <map>
#include <string>

// The test's own reading of the catalogue's data files, written apart from the
// generator so that the two can check each other.
namespace fsa_test {

// Message id to decoded text, from messages.txt.
std::map<unsigned, std::string> decodeMessageFile(const std::string& path);

// Status to message id, from status-runs.txt.
std::map<unsigned, unsigned> readStatusRuns(const std::string& path);

// The messages as the build writes them.
const std::map<unsigned, std::string>& messageTexts();
const std::map<unsigned, unsigned>& statusMessages();

// The highest message id of messages.txt and the highest status of
// status-runs.txt: the bounds the tests walk to and past.
unsigned highestMessageId();
unsigned highestStatus();

// FsaGetStringA of `id` into a large buffer, up to the first zero byte.
std::string readMessage(unsigned id);

// Every test starts from a freshly built catalogue and leaves none behind.
class FreshCatalogue : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
};

} // namespace fsa_test
