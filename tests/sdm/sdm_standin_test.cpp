// The SDM library stand-in: the records it writes, its error texts, its
// failure plans and delays, and its report of handles left open.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include "qlsdm.h"
#include "qlsdm_standin.h"

namespace {

const char* const ONE_ADAPTER = R"({
  "verify_delay_ms": 25,
  "errors": {"0x20000100": "NVRAM checksum mismatch"},
  "adapters": [{
    "node_wwn": "20 00 00 e0 8b ff 80 7f",
    "model": "QLA2312", "model_description": "Dual Port",
    "serial_number": "M12345", "driver_version": "8.00.02", "firmware_version": "3.03.19",
    "chip": {"device_number": 1, "subsystem_id": 265, "bus": 4, "pci_id": "0x2302", "type": 3},
    "ports": [{"nvram": "0x20000100", "state": 0, "port_wwn": "21 00 00 e0 8b ff 80 7f"}, {}],
    "fail": {"chip": {"code": "0x20000300", "after": 1}}
  }]
})";

std::uint16_t word(const unsigned char* record, int offset) {
    std::uint16_t value;
    std::memcpy(&value, record + offset, sizeof value);
    return value;
}

unsigned s_slept = 0;
void countSleep(unsigned milliseconds) {
    s_slept += milliseconds;
}

class SdmStandIn : public ::testing::Test {
protected:
    void SetUp() override {
        qlsdm_standin::loadJson(ONE_ADAPTER);
        qlsdm_standin::setSleeper(&countSleep);
        s_slept = 0;
        ASSERT_EQ(SDOpenDevice(0, &m_handle), SD_SUCCESS);
    }
    void TearDown() override {
        SDCloseDevice(m_handle);
        qlsdm_standin::setSleeper(nullptr);
        EXPECT_EQ(qlsdm_standin::openHandles(), 0u);
    }
    int m_handle = -1;
};

} // namespace

TEST_F(SdmStandIn, WritesTheWholeRecords) {
    std::array<unsigned char, SD_NODE_PROPERTY_SIZE> node;
    node.fill(0xee);
    ASSERT_EQ(SDGetHbaDeviceNodeProperty(m_handle, node.data()), SD_SUCCESS);
    const unsigned char wwn[] = {0x20, 0x00, 0x00, 0xe0, 0x8b, 0xff, 0x80, 0x7f};
    EXPECT_EQ(std::memcmp(node.data() + SD_NODE_WWN, wwn, 8), 0);
    EXPECT_STREQ(reinterpret_cast<char*>(node.data() + SD_NODE_MODEL), "QLA2312");
    EXPECT_STREQ(reinterpret_cast<char*>(node.data() + SD_NODE_MODEL_DESCRIPTION), "Dual Port");
    EXPECT_STREQ(reinterpret_cast<char*>(node.data() + SD_NODE_SERIAL_NUMBER), "M12345");
    EXPECT_STREQ(reinterpret_cast<char*>(node.data() + SD_NODE_DRIVER_VERSION), "8.00.02");
    EXPECT_STREQ(reinterpret_cast<char*>(node.data() + SD_NODE_FIRMWARE_VERSION), "3.03.19");
    EXPECT_EQ(word(node.data(), SD_NODE_NUMBER_OF_PORTS), 2);
    EXPECT_EQ(node[SD_NODE_PROPERTY_SIZE - 1], 0) << "the whole record is written";

    std::array<unsigned char, SD_PORT_PROPERTY_SIZE> port;
    ASSERT_EQ(SDGetHbaDevicePortProperty(m_handle, 0, port.data()), SD_SUCCESS);
    EXPECT_EQ(port[SD_PORT_PORT_WWN], 0x21);
    EXPECT_EQ(word(port.data(), SD_PORT_STATE), 1);
    EXPECT_EQ(SDGetHbaDevicePortProperty(m_handle, 2, port.data()), SDERR_INVALID_PORT);

    std::array<unsigned char, SD_CHIP_PROPERTY_SIZE> chip;
    ASSERT_EQ(SDGetHbaDeviceChipProperty(m_handle, chip.data()), SD_SUCCESS);
    EXPECT_EQ(word(chip.data(), SD_CHIP_DEVICE_NUMBER), 1);
    EXPECT_EQ(word(chip.data(), SD_CHIP_SUBSYSTEM_ID), 265);
    EXPECT_EQ(word(chip.data(), SD_CHIP_BUS_NUMBER), 4);
    EXPECT_EQ(word(chip.data(), SD_CHIP_PCI_ID), 0x2302);
    EXPECT_EQ(word(chip.data(), SD_CHIP_ADAPTER_TYPE), 3);
    EXPECT_EQ(SDGetHbaDeviceChipProperty(m_handle, chip.data()), 0x20000300)
        << "the planned failure after one good read";
}

TEST_F(SdmStandIn, RefusesBadHandlesIndexesAndBuffers) {
    unsigned char node[SD_NODE_PROPERTY_SIZE];
    int handle = 0;
    EXPECT_EQ(SDOpenDevice(1, &handle), SDERR_DEVICE_NOT_FOUND);
    EXPECT_EQ(SDOpenDevice(-1, &handle), SDERR_DEVICE_NOT_FOUND);
    EXPECT_EQ(SDOpenDevice(0, nullptr), SDERR_INVALID_BUFFER);
    EXPECT_EQ(SDGetHbaDeviceNodeProperty(-1, node), SDERR_INVALID_HANDLE);
    EXPECT_EQ(SDGetHbaDeviceNodeProperty(m_handle, nullptr), SDERR_INVALID_BUFFER);
    EXPECT_EQ(SDVerifyHbaState(-1, 0), SDERR_INVALID_HANDLE);
    EXPECT_EQ(SDVerifyHbaState(m_handle, 5), SDERR_INVALID_PORT);
    EXPECT_EQ(SDCloseDevice(m_handle + 100), SDERR_INVALID_HANDLE);
}

TEST_F(SdmStandIn, VerifyResultsTakeTheirTime) {
    EXPECT_EQ(SDVerifyHbaNVRam(m_handle, 0), 0x20000100);
    EXPECT_EQ(SDVerifyHbaState(m_handle, 0), SD_SUCCESS);
    EXPECT_EQ(SDVerifyHbaNVRam(m_handle, 1), SD_SUCCESS);
    EXPECT_EQ(s_slept, 75u);
}

TEST_F(SdmStandIn, ErrorTextsOutliveAReload) {
    const char* configured = SDGetErrorString(0x20000100);
    EXPECT_STREQ(configured, "NVRAM checksum mismatch");
    EXPECT_STREQ(SDGetErrorString(SDERR_INVALID_PORT), "Invalid port number");
    EXPECT_STREQ(SDGetErrorString(0x12345678), "Unknown SD error 0x12345678");
    SDCloseDevice(m_handle);
    qlsdm_standin::loadJson(R"({"adapters": [{"node_wwn": "00 00 00 00 00 00 00 01"}]})");
    EXPECT_STREQ(configured, "NVRAM checksum mismatch");
    EXPECT_STREQ(SDGetErrorString(0x20000100), "Unknown SD error 0x20000100");
    ASSERT_EQ(SDOpenDevice(0, &m_handle), SD_SUCCESS);
}

TEST(SdmStandInFile, BadDescriptionsAreRefusedWithAReason) {
    struct Case {
        const char* json;
        const char* reason;
    };
    const Case cases[] = {
        {"[", "JSON"},
        {R"({"adapters": {}})", "/adapters: "},
        {R"({"adapters": [{}]})", "/adapters/0: the key \"node_wwn\""},
        {R"({"adapters": [{"node_wwn": "20 00 00"}]})",
         "/adapters/0/node_wwn: not eight hex bytes"},
        {R"({"adapters": [{"node_wwn": "20 00 00 e0 8b ff 80 7f 01"}]})",
         "/adapters/0/node_wwn: not eight hex bytes"},
        {R"({"adapters": [{"node_wwn": "00 00 00 00 00 00 00 01", "chip": {"bus": 65536}}]})",
         "/adapters/0/chip/bus: 65536 is outside 0..65535"},
        {R"({"adapters": [{"node_wwn": "00 00 00 00 00 00 00 01", "serial_number":
            "0123456789012345678901234567890123"}]})",
         "/adapters/0/serial_number: longer than 31"},
        {R"({"adapters": [{"node_wwn": "00 00 00 00 00 00 00 01", "fail": {"node": 0}}]})",
         "/adapters/0/fail/node: a failure needs a non-zero code"},
        {R"({"errors": {"zero": "x"}})", "/errors/zero: the key is not a 32-bit code"},
    };
    for (const Case& c : cases) {
        try {
            qlsdm_standin::loadJson(c.json);
            ADD_FAILURE() << c.json << " was accepted";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos)
                << c.json << ": " << error.what();
        }
    }
}

TEST(SdmStandInExit, ReportsHandlesStillOpen) {
    qlsdm_standin::loadJson(R"({"adapters": [{"node_wwn": "00 00 00 00 00 00 00 01"}]})");
    EXPECT_EXIT(
        {
            int handle = 0;
            SDOpenDevice(0, &handle);
            SDOpenDevice(0, &handle);
            std::exit(0);
        },
        ::testing::ExitedWithCode(0),
        "libqlsdm.so stand-in: 2 handle\\(s\\) still open: [0-9]+ [0-9]+");
}
