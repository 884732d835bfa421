// Opening an adapter by its WWN, its records, and the per-port checks.

#include <gtest/gtest.h>

#include "PCIFiberDiag/QLogicHBA.h"
#include "StandInFixture.h"

using namespace VarnDiags::PCIFiberDiag;
using namespace korfiber_test;

namespace {

constexpr const char* FIRST = "20 00 00 e0 8b 01 02 03";
constexpr const char* SECOND = "20 00 00 e0 8b 0a 0b 0c";
constexpr int NVRAM_BAD = 0x20000100;
constexpr int STATE_BAD = 0x20000200;

std::string descriptorOf(const char* wwn) {
    return std::string("4|8962|0|") + wwn + "|QLogic PCI Fiber Channel Adapter|QLA2312 Dual Port|";
}

class HbaDevice : public StandInFixture {};

} // namespace

TEST_F(HbaDevice, OpenCodes) {
    struct Case {
        const char* name;
        json failure; // the second adapter's "fail" object
        const char* wwn;
        int expected;
    };
    const Case cases[] = {
        {"matching second adapter", json::object(), SECOND, 0},
        {"no adapter has the WWN", json::object(), "20 00 00 00 00 00 00 99", HBA_OPEN_FAILED},
        {"port record", {{"port", NVRAM_BAD}}, SECOND, HBA_PORT_RECORD_ERROR},
        {"chip record", {{"chip", NVRAM_BAD}}, SECOND, HBA_CHIP_RECORD_ERROR},
        {"node record", {{"node", NVRAM_BAD}}, SECOND, HBA_NODE_RECORD_ERROR},
        {"open of the second fails", {{"open", NVRAM_BAD}}, SECOND, HBA_OPEN_FAILED},
    };
    for (const Case& c : cases) {
        json second = adapter(SECOND, "QLA2312", {{0, 0}, {0, 0}, {0, 0}});
        second["fail"] = c.failure;
        load({adapter(FIRST, "QLA2312"), second});
        QLogicHBA device(descriptorOf(c.wwn).c_str());
        EXPECT_EQ(device.open(QLogicHBA::OPEN_TEST), c.expected) << c.name;
        EXPECT_EQ(device.isOpen(), c.expected == 0) << c.name;
        EXPECT_EQ(qlsdm_standin::openHandles(), c.expected == 0 ? 1u : 0u)
            << c.name << ": only the matched adapter's handle stays open";
        device.close();
        EXPECT_EQ(qlsdm_standin::openHandles(), 0u) << c.name;
    }
}

TEST_F(HbaDevice, RebuiltDeviceLearnsPortsAndRecordsWhenItOpens) {
    load({adapter(FIRST, "QLA2312", {{0, 0}, {0, 0}, {0, 0}})});
    QLogicHBA device(descriptorOf(FIRST).c_str());
    EXPECT_EQ(device.getNumberofPorts(), 0);
    EXPECT_EQ(device.getFirmwareVersion(), "");
    ASSERT_EQ(device.open(QLogicHBA::OPEN_TEST), 0);
    EXPECT_EQ(device.getNumberofPorts(), 3);
    EXPECT_EQ(device.getFirmwareVersion(), "3.03.19");
    EXPECT_EQ(device.getDriverVersion(), "8.00.02");
    EXPECT_EQ(device.getHBASerialNumber(), "SN-01 02 03");
}

TEST_F(HbaDevice, SecondOpenIsRedundantAndKeepsTheHandle) {
    load({adapter(FIRST, "QLA2312")});
    QLogicHBA device(descriptorOf(FIRST).c_str());
    ASSERT_EQ(device.open(QLogicHBA::OPEN_TEST), 0);
    EXPECT_EQ(device.open(QLogicHBA::OPEN_TEST), HBA_ALREADY_OPEN);
    EXPECT_EQ(qlsdm_standin::openHandles(), 1u);
    EXPECT_EQ(device.runHbaStateTest(), ALL_PORTS_PASSED) << "the first handle still works";
}

TEST_F(HbaDevice, ClosedDeviceChecksNothing) {
    load({adapter(FIRST, "QLA2312")});
    QLogicHBA device(descriptorOf(FIRST).c_str());
    EXPECT_EQ(device.runNVRAMTest(), NVRAM_CHECK_FAILED);
    EXPECT_EQ(device.runHbaStateTest(), STATE_CHECK_FAILED);
    EXPECT_TRUE(calls("SDVerify").empty());
    EXPECT_EQ(device.runHbaCheckSumTest(), ALL_PORTS_PASSED);
}

TEST_F(HbaDevice, PortResults) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> ports;
        int nvram, state;
        std::vector<std::string> stateCalls; // after the handle number
        const char* failureText;
    };
    const Case cases[] = {
        {"both pass", {{0, 0}, {0, 0}}, 11, 11, {"0 = 0x00000000", "1 = 0x00000000"}, nullptr},
        {"second port's state fails",
         {{0, 0}, {0, STATE_BAD}},
         11,
         10,
         {"0 = 0x00000000", "1 = 0x20000200"},
         "Port not ready"},
        {"first port fails both, second never checked",
         {{NVRAM_BAD, STATE_BAD}, {0, 0}},
         9,
         10,
         {"0 = 0x20000200"},
         "Port not ready"},
        {"code without a text",
         {{0, 0x2000ffff}},
         11,
         10,
         {"0 = 0x2000ffff"},
         "Unknown SD error 0x2000ffff"},
        {"count word 0", {{0x20000100, 0x20000200}}, 11, 11, {}, nullptr},
    };
    for (const Case& c : cases) {
        json model = adapter(FIRST, "QLA2312", c.ports);
        if (c.stateCalls.empty())
            model["port_count"] = 0; // the node record reports no port: nothing is checked
        load({model});
        QLogicHBA device(descriptorOf(FIRST).c_str());
        ASSERT_EQ(device.open(QLogicHBA::OPEN_TEST), 0) << c.name;
        EXPECT_EQ(device.runNVRAMTest(), c.nvram) << c.name;
        qlsdm_standin::clearJournal();
        EXPECT_EQ(device.runHbaStateTest(), c.state) << c.name;
        std::vector<std::string> expected;
        for (const std::string& call : c.stateCalls)
            expected.push_back("SDVerifyHbaState 1 " + call);
        std::vector<std::string> made = calls("SDVerifyHbaState");
        for (std::string& line : made) // handle numbers differ per case
            line.replace(17, line.find(' ', 17) - 17, "1");
        EXPECT_EQ(made, expected) << c.name;
        if (c.failureText == nullptr) {
            EXPECT_FALSE(device.lastPortFailure()) << c.name;
        } else {
            ASSERT_TRUE(device.lastPortFailure()) << c.name;
            EXPECT_EQ(device.lastPortFailure()->text, c.failureText) << c.name;
        }
    }
}
