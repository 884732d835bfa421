#pragma once

// Puts the simulated controller behind the controller library's OS port and
// a fast sleeper behind its clock for the duration of a test.

#include "FsaApi.h"
#include "SimPort.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace fsatest {

// Every 50 ms poll of the library takes 1 ms: time limits of minutes shrink
// to seconds.
class FastSleeper final : public fsa::Sleeper {
public:
    void sleepMs(unsigned ms) override {
        std::this_thread::sleep_for(std::chrono::microseconds(ms * 20));
    }
};

// A wide text of the library as a narrow string.
inline std::string narrow(const FA_WCHAR* w) {
    std::string s;
    for (; *w; ++w)
        s.push_back(static_cast<char>(*w));
    return s;
}

// Two adapters at indices 0 and 2 unless the test loads its own.
inline const char* kTwoAdapters = R"({"adapters": [
  {"index": 0, "serial": 4660, "containers": {"count": 4, "firstHidden": 24}, "pci": {"bus": 3, "slot": 7},
   "tasks": [{"id": 7, "job": 101, "object": 1, "total": 1000, "step": 100},
             {"id": 8, "job": 2, "object": 130, "total": 1000, "step": 0}]},
  {"index": 2, "serial": 8738}
]})";

class SimTest : public ::testing::Test {
protected:
    void SetUp() override {
        sim.load(config());
        fsa::setOsPort(&port);
        fsa::setSleeper(&sleeper);
    }
    void TearDown() override {
        fsa::setOsPort(nullptr);
        fsa::setSleeper(nullptr);
    }
    virtual std::string config() const { return kTwoAdapters; }

    // Opens adapter `name` and expects success.
    void* open(const char* name = "qor0", FSA_ACCESS access = FSA_ACC_READ_WRITE) {
        void* handle = nullptr;
        const FSA_STATUS s = FsaOpenAdapter2(name, nullptr, 4970, access, FSA_CONNECTION_LOCAL,
                                             nullptr, nullptr, &handle, nullptr);
        EXPECT_EQ(s, FSA_STS_SUCCESS) << name;
        return handle;
    }

    qorsim::Simulator sim;
    SimPort port{sim};
    FastSleeper sleeper;
};

// Adapter qor0 opened before each test (`handle`) and closed after it. A test
// chooses the access and may change the loaded simulator or the clock in
// prepare(), which runs before the open.
class OpenAdapterTest : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        prepare();
        handle = open("qor0", access());
    }
    void TearDown() override {
        if (handle)
            FsaCloseAdapter(handle);
        SimTest::TearDown();
    }
    virtual FSA_ACCESS access() const { return FSA_ACC_READ_WRITE; }
    virtual void prepare() {}

    void* handle = nullptr;
};

} // namespace fsatest
