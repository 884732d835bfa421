// Configurations the simulator cannot honour are refused, naming the value by
// its place in the file, and leave the model it had.
#include "qorsim/Simulator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

using qorsim::Simulator;

std::string refusal(const std::string& config) {
    Simulator sim;
    try {
        sim.load(config);
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(accepted)";
}

struct Case {
    const char* config;
    const char* message;
};

TEST(ConfigRefusal, NamesTheKeyAndTheReason) {
    const Case cases[] = {
        {R"({"adapters": [{"index": 0}, {"index": 0}]})",
         "/adapters/1/index: adapter 0 is described twice"},
        {R"({"adapters": [{"index": -1}]})", "/adapters/0/index: -1 is outside 0..15"},
        {R"({"adapters": [{"index": 16}]})", "/adapters/0/index: 16 is outside 0..15"},
        {R"({"adapters": [{"index": 0, "containers": {"count": -5}}]})",
         "/adapters/0/containers/count: -5 is outside 0..4294967295"},
        {R"({"clock": {"tickEveryFibs": 0}})", "/clock/tickEveryFibs: 0 is outside 1..4294967295"},
        {R"({"adaptors": []})", "/adaptors: unknown key"},
        {R"({"clock": {"tickEvery": 4}})", "/clock/tickEvery: unknown key"},
        {R"({"adapters": [{"index": 0, "bogus": 1}]})", "/adapters/0/bogus: unknown key"},
        {R"({"adapters": [{"index": 0, "drives": [{"bus": 1, "targt": 2}]}]})",
         "/adapters/0/drives/0/targt: unknown key"},
        {R"({"adapters": [{"index": 0, "drives": [{"bus": 300}]}]})",
         "/adapters/0/drives/0/bus: 300 is outside 0..255"},
        {R"({"adapters": [{"index": 0, "buses": "2"}]})",
         "/adapters/0/buses: expected a whole number, found \"2\""},
        {R"({"adapters": [{"index": 0, "buses": 2.5}]})",
         "/adapters/0/buses: expected a whole number, found 2.5"},
        {R"({"adapters": [{"index": 0, "paused": 1}]})",
         "/adapters/0/paused: expected true or false, found 1"},
        {R"({"adapters": [{"index": 0, "partitions": [{"snapA": 256}]}]})",
         "/adapters/0/partitions/0/snapA: 256 is outside 0..255"},
        {R"({"adapters": [{"index": 0, "channels": {"bytes": [0,0,0,0,0,0,0,0,0,0,0]}}]})",
         "/adapters/0/channels/bytes: more than 10 bytes"},
        {R"({"adapters": [{"index": 0, "cache": {"header": {"20": 1}}}]})",
         "/adapters/0/cache/header/20: expected a key from 0 to 19"},
        {R"({"adapters": [{"index": 0, "diskSets": [{"label": "%s"}]}]})",
         "/adapters/0/diskSets/0/label: longer than 32 characters"},
        {R"({"adapters": [{"index": 0, "containers": {"list": [{"number": 0, "label": "%s"}]}}]})",
         "/adapters/0/containers/list/0/label: longer than 16 characters"},
        {R"({"adapters": [{"index": 0, "flash": {"identity": [65536]}}]})",
         "/adapters/0/flash/identity/0: 65536 is outside 0..65535"},
        {R"({"adapters": [{"index": 0, "battery": {"0x1g": 1}}]})",
         "/adapters/0/battery/0x1g: expected a register address as the key"},
        {R"({"faults": [{"call": "read"}]})",
         "/faults/0/call: unknown call \"read\" (open, close, ioctl or fcntl)"},
        {R"({"faults": [{"replyWords": {"x": 1}}]})",
         "/faults/0/replyWords/x: expected a key from 0 to 119"},
        {R"({"faults": [{"zeroReplyFrom": 512}]})",
         "/faults/0/zeroReplyFrom: 512 is outside 0..511"},
        {R"([1, 2])", "the file: expected an object, found [1,2]"},
    };
    for (const Case& c : cases) {
        std::string config = c.config;
        if (const auto at = config.find("%s"); at != std::string::npos)
            config.replace(at, 2, std::string(33, 'x'));
        EXPECT_EQ(refusal(config), c.message) << config;
    }
}

TEST(ConfigRefusal, WhatItCanHonourIsTaken) {
    Simulator sim;
    sim.load(R"({"clock": {"tickEveryFibs": 1},
                 "adapters": [{"index": 15, "containers": {"count": 3}, "buses": 64,
                               "drives": [{"bus": 63, "target": 15, "lun": 7}, {"bus": 0},
                                          {"lun": 1}, {"target": 1}],
                               "partitions": [{"snapA": 255}],
                               "hostDisks": [{"container": 2}, {"container": 0}],
                               "diskSets": [{"label": "%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%%"}],
                               "battery": {"0x1f": 1, "12": 2}, "nvSlots": 256}]})");
    EXPECT_EQ(sim.snapshot(15).devices.drives.at(3).bus, 63u);
    EXPECT_EQ(sim.snapshot(15).devices.drives.size(), 4u);
    EXPECT_EQ(sim.snapshot(15).hostDisks.size(), 2u);
    EXPECT_EQ(sim.snapshot(15).maint.nvSlots.size(), 256u);
    EXPECT_EQ(sim.snapshot(15).maint.batteryRegisters.at(0x1f), 1u);
    EXPECT_EQ(sim.snapshot(15).maint.batteryRegisters.at(12), 2u);
}

// A refused file leaves the adapters the simulator had.
TEST(ConfigRefusal, ARefusedConfigurationChangesNothing) {
    Simulator sim;
    sim.load(R"({"adapters": [{"index": 2, "buses": 3}]})");
    EXPECT_THROW(
        sim.load(R"({"adapters": [{"index": 2, "buses": 5}], "faults": [{"call": "read"}]})"),
        std::runtime_error);
    EXPECT_EQ(sim.snapshot(2).busCount, 3u);
}

TEST(ConfigRefusal, AFileIsNamedWithTheKey) {
    char path[] = "/tmp/qorsim-config-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    const std::string text = R"({"adapters": [{"index": 0, "count": 2}]})";
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    Simulator sim;
    try {
        sim.loadFile(path);
        ADD_FAILURE() << "accepted";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()),
                  std::string("configuration ") + path + ": /adapters/0/count: unknown key");
    }
    std::remove(path);
}

} // namespace
