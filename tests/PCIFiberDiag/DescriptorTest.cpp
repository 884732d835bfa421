// The descriptor text, the WWN text and the bounded record readers.

#include <gtest/gtest.h>

#include <cstring>

#include "PCIFiberDiag/QLogicHBA.h"
#include "PCIFiberDiag/SdmRecords.h"

using namespace VarnDiags::PCIFiberDiag;

TEST(HbaDescriptor, ExampleRoundTrips) {
    const char* example =
        "4|8962|0|21 00 00 e0 8b 01 02 03|QLogic PCI Fiber Channel Adapter|QLA2312 Dual Port|";
    QLogicHBA enumerated(QLogicHBA::DEVICE_NAME, "21 00 00 e0 8b 01 02 03", "QLA2312 Dual Port", 4,
                         8962, 0, 2, 0);
    EXPECT_STREQ(enumerated.getDeviceDescriptor(), example);
    EXPECT_STREQ(enumerated.getDeviceLocation(), "PCI Bus 4:Device Number 8962:Type 0");

    QLogicHBA rebuilt(enumerated.getDeviceDescriptor());
    EXPECT_TRUE(rebuilt.isDeviceReferenceValid());
    EXPECT_STREQ(rebuilt.getDeviceDescriptor(), example);
    EXPECT_STREQ(rebuilt.getDeviceName(), enumerated.getDeviceName());
    EXPECT_STREQ(rebuilt.getDeviceDescription(), "QLA2312 Dual Port");
    EXPECT_STREQ(rebuilt.getDeviceLocation(), enumerated.getDeviceLocation());
    EXPECT_EQ(rebuilt.getBusNum(), 4);
    EXPECT_EQ(rebuilt.getDeviceNum(), 8962);
    EXPECT_EQ(rebuilt.getFuncNum(), 0);
    EXPECT_EQ(rebuilt.getDeviceType(), 0u);
    EXPECT_STREQ(rebuilt.getDeviceOSFileDescriptor(), "21 00 00 e0 8b 01 02 03");
    EXPECT_EQ(rebuilt.getNumberofPorts(), 0) << "the descriptor carries no port count";
}

TEST(HbaDescriptor, LargestNumbersAndBarsInTexts) {
    QLogicHBA enumerated("QLogic|HBA", "ff ff ff ff ff ff ff ff", "QLA2312 A|B", 65535, 65535, 0, 1,
                         65535);
    EXPECT_STREQ(enumerated.getDeviceDescriptor(),
                 "65535|65535|65535|ff ff ff ff ff ff ff ff|QLogic/HBA|QLA2312 A/B|");
    QLogicHBA rebuilt(enumerated.getDeviceDescriptor());
    ASSERT_TRUE(rebuilt.isDeviceReferenceValid());
    EXPECT_STREQ(rebuilt.getDeviceDescriptor(), enumerated.getDeviceDescriptor());
    EXPECT_EQ(rebuilt.getDeviceType(), 65535u);
}

TEST(HbaDescriptor, MalformedDescriptorsGiveAnInvalidDeviceThatDoesNotOpen) {
    const char* cases[] = {
        nullptr,
        "",
        "4|8962|0|21 00 00 e0 8b 01 02 03|QLogic PCI Fiber Channel Adapter|", // five fields
        "4|8962|0|21 00 00 e0 8b 01 02 03|QLogic|QLA2312|extra|",             // seven
        "4|8962|0|21 00 00 e0 8b 01 02 03|QLogic|QLA2312",                    // no last bar
        "65536|8962|0|21 00 00 e0 8b 01 02 03|QLogic|QLA2312|",               // bus too big
        "4|-1|0|21 00 00 e0 8b 01 02 03|QLogic|QLA2312|",                     // negative
        "4|8962|x|21 00 00 e0 8b 01 02 03|QLogic|QLA2312|",                   // not a number
        "4|8962|0||QLogic|QLA2312|",                                          // no WWN
    };
    for (const char* descriptor : cases) {
        QLogicHBA device(descriptor);
        EXPECT_FALSE(device.isDeviceReferenceValid()) << (descriptor ? descriptor : "(null)");
        EXPECT_EQ(device.getDeviceOSFileDescriptor(), nullptr);
        EXPECT_EQ(device.open(QLogicHBA::OPEN_TEST), HBA_OPEN_FAILED);
    }
}

TEST(SdmRecords, WwnTextHasTwoLowerCaseDigitsPerByte) {
    struct Case {
        unsigned char bytes[8];
        const char* text;
    };
    const Case cases[] = {
        {{0x21, 0x00, 0x00, 0xe0, 0x8b, 0x0a, 0x0b, 0x0c}, "21 00 00 e0 8b 0a 0b 0c"},
        {{0xff, 0x80, 0x7f, 0xa5, 0x00, 0x01, 0xfe, 0x9c}, "ff 80 7f a5 00 01 fe 9c"},
    };
    for (const Case& c : cases) {
        NodeRecord node{};
        std::memcpy(node.data() + NODE_WWN, c.bytes, 8);
        EXPECT_EQ(nodeWwnText(node), c.text);
    }
}

TEST(SdmRecords, TextsStayInsideTheRecordAndTheirLimits) {
    NodeRecord node;
    node.fill('A'); // nothing terminated
    EXPECT_EQ(recordText(node, NODE_DESCRIPTION_FIRST, NODE_DESCRIPTION_FIRST_MAX).size(), 79u);
    EXPECT_EQ(recordText(node, NODE_SERIAL_NUMBER, NODE_SERIAL_NUMBER_MAX).size(), 139u);
    EXPECT_EQ(recordText(node, NODE_FIRMWARE_VERSION).size(), NODE_RECORD_SIZE - 184);
    EXPECT_EQ(recordText(node, NODE_RECORD_SIZE), "");
    EXPECT_EQ(recordWord(node, NODE_RECORD_SIZE - 1), 0) << "a word past the end reads as 0";

    node.fill(0);
    std::memcpy(node.data() + NODE_DESCRIPTION_FIRST, "QLA2312", 7);
    std::memcpy(node.data() + NODE_DESCRIPTION_SECOND, "Dual Port", 9);
    EXPECT_EQ(nodeDescription(node), "QLA2312 Dual Port");
}
