#include "FailureDetail.h"
#include "FsaMessages.h"
#include "MessageFile.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

using fsa_test::messageTexts;

namespace {

const int kThreads = 8;

// Lets every thread start its work at the same moment.
class StartGate {
public:
    void wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        if (++arrived_ == kThreads)
            open_.notify_all();
        else
            open_.wait(lock, [this] { return arrived_ == kThreads; });
    }

private:
    std::mutex mutex_;
    std::condition_variable open_;
    int arrived_ = 0;
};

// Runs `work(i)` on kThreads threads released together, and joins them.
template <typename Work> void runTogether(Work work) {
    StartGate gate;
    std::vector<std::thread> threads;
    for (int i = 0; i < kThreads; ++i)
        threads.emplace_back([&gate, &work, i] {
            gate.wait();
            work(i);
        });
    for (auto& t : threads)
        t.join();
}

class Concurrency : public fsa_test::FreshCatalogue {};

TEST_F(Concurrency, FirstCallsOnManyThreadsBuildOneCatalogue) {
    for (int round = 0; round < 20; ++round) {
        FsaFreeStringResources();
        std::atomic<int> wrong{0};
        runTogether([&wrong](int i) {
            const unsigned id = 1 + static_cast<unsigned>(i);
            char a[400];
            FA_WCHAR w[400];
            unsigned size = 400;
            const bool narrow = i % 2 == 0;
            const unsigned r = narrow ? FsaGetStringA(a, &size, id) : FsaGetStringW(w, &size, id);
            const std::string& expected = messageTexts().at(id);
            if (r != FSA_MSG_DONE || size != expected.size() + 1)
                ++wrong;
            else if (narrow && expected != a)
                ++wrong;
            else if (!narrow && std::u32string(expected.begin(), expected.end()) != w)
                ++wrong;
        });
        EXPECT_EQ(wrong.load(), 0) << "round " << round;
    }
}

TEST_F(Concurrency, SlotWritesAndReadsNeverTear) {
    const char* const names[kThreads / 2] = {"SENDFIB", "QUERY_DISK", "DELETE_DISK",
                                             "OPEN_GET_ADAPTER_FIB"};
    // Every text a reader may see: the placeholder or one whole write.
    std::set<std::string> possible = {messageTexts().at(1176)};
    for (int i = 0; i < kThreads / 2; ++i) {
        char text[640];
        std::snprintf(text, sizeof text,
                      "The driver could not execute the requested IOCTL %.25s, %3d=%.30s.",
                      names[i], i + 1, std::strerror(i + 1));
        possible.insert(std::string(text).substr(0, 111));
    }
    std::atomic<int> torn{0};
    runTogether([&](int i) {
        for (int n = 0; n < 200; ++n) {
            if (i % 2 == 0) {
                faux_FmtString(FailureSlot::Ioctl, i / 2 + 1, names[i / 2]);
                continue;
            }
            char text[FSA_ERROR_TEXT_SIZE];
            FsaGetErrorTextA(static_cast<FSA_STATUS>(479), text);
            if (possible.count(text) == 0)
                ++torn;
        }
    });
    EXPECT_EQ(torn.load(), 0);
}

TEST_F(Concurrency, ReleaseDuringReadsLeavesEveryReadWhole) {
    const std::string& expected = messageTexts().at(2);
    std::atomic<int> wrong{0};
    runTogether([&](int i) {
        for (int n = 0; n < 200; ++n) {
            if (i == 0) {
                FsaFreeStringResources();
                continue;
            }
            char text[400];
            unsigned size = sizeof text;
            if (FsaGetStringA(text, &size, 2) != FSA_MSG_DONE || expected != text)
                ++wrong;
        }
    });
    EXPECT_EQ(wrong.load(), 0);
}

} // namespace
