#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "PCIDevices/PCIDevice.h"
#include "PCIDevices/VarnComUtils.h"

using VarnDiags::PCIDevices::PCIDevice;

namespace {

std::vector<std::string> fields(const std::string& descriptor) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t bar; (bar = descriptor.find('|', start)) != std::string::npos; start = bar + 1)
        out.push_back(descriptor.substr(start, bar - start));
    EXPECT_EQ(start, descriptor.size()) << "descriptor must end with a bar";
    return out;
}

} // namespace

TEST(PCIDescriptor, WritesOneAddressFieldPerFunction) {
    struct Case {
        int function;
        std::vector<unsigned long> addresses;
        std::vector<std::string> expectedAddresses;
    };
    const Case cases[] = {
        {0, {}, {}},
        {1, {}, {"ffffffff"}},
        {2, {}, {"ffffffff", "ffffffff"}},
        {2, {0xe000}, {"e000", "ffffffff"}},
        {3, {0x10, 0x80000000UL, 0xfffffff0UL}, {"10", "80000000", "fffffff0"}},
    };
    for (const Case& c : cases) {
        PCIDevice device(2, 3, c.function, 0x8086, 0x1229, nullptr, "NIC", "Maker", 0, 2);
        device.setPhyIOAddr(c.addresses);
        std::vector<std::string> f = fields(device.getDeviceDescriptor());
        ASSERT_EQ(f.size(), 12 + c.expectedAddresses.size()) << device.getDeviceDescriptor();
        EXPECT_EQ(f[0], "PCI Device");
        EXPECT_EQ(f[1], "NIC");
        EXPECT_EQ(f[2], "2");
        EXPECT_EQ(f[3], "3");
        EXPECT_EQ(f[4], std::to_string(c.function));
        EXPECT_EQ(f[5], "-1");
        EXPECT_EQ(f[6], "8086");
        EXPECT_EQ(f[7], "1229");
        for (std::size_t k = 0; k < c.expectedAddresses.size(); ++k)
            EXPECT_EQ(f[8 + k], c.expectedAddresses[k]);
        std::size_t tail = 8 + c.expectedAddresses.size();
        EXPECT_EQ(f[tail], "921");
        EXPECT_EQ(f[tail + 1], "Maker");
        EXPECT_EQ(f[tail + 2], "0");
        EXPECT_EQ(f[tail + 3], "2");
    }
}

TEST(PCIDescriptor, DefaultsGiveThirteenFieldsWithUnknownCodes) {
    PCIDevice device(1, 4, 1, nullptr);
    EXPECT_EQ(std::string(device.getDeviceDescriptor()),
              "PCI Device|Unknown PCI Device "
              "Description|1|4|1|-1|ffffffff|ffffffff|ffffffff|921||ffffffff|ffffffff|");
}

TEST(PCIDescriptor, RoundTripKeepsEveryFieldButUnknownCodesSaturate) {
    const unsigned long addresses[] = {0xfebf0000UL, 0x80000000UL};
    PCIDevice original(5, 9, 2, -1, 0x1234, addresses, "Dual port", "Maker Inc", -1, 1);
    original.setSlotID(3);
    PCIDevice copy(original.getDeviceDescriptor());
    ASSERT_TRUE(copy.isDeviceReferenceValid());
    EXPECT_STREQ(copy.getDeviceName(), "PCI Device");
    EXPECT_STREQ(copy.getDeviceDescription(), "Dual port- Slot:3");
    EXPECT_EQ(copy.getBusNum(), 5);
    EXPECT_EQ(copy.getDeviceNum(), 9);
    EXPECT_EQ(copy.getFuncNum(), 2);
    EXPECT_EQ(copy.getSlotID(), 3);
    EXPECT_EQ(copy.getVendorID(), 2147483647); // written as ffffffff
    EXPECT_EQ(copy.getDeviceID(), 0x1234);
    EXPECT_EQ(copy.getPhyIOAddr(), (std::vector<unsigned long>{0xfebf0000UL, 0x80000000UL}));
    EXPECT_EQ(copy.getDeviceType(), 921u);
    EXPECT_EQ(copy.getManufacturer(), "Maker Inc");
    EXPECT_EQ(copy.getDeviceSubclass(), 2147483647);
    EXPECT_EQ(copy.getDeviceBaseclass(), 1);
    EXPECT_STREQ(copy.getDeviceDescriptor(), "PCI Device|Dual port- Slot:3|5|9|2|3|7fffffff|1234|"
                                             "febf0000|80000000|921|Maker Inc|7fffffff|1|");
    EXPECT_STREQ(copy.getDeviceLocation(), "PCI Bus5:Device9:Function0,Function1- Slot:3");

    // Once saturated, a descriptor reads back as itself.
    auto* clone = copy.clone(copy.getDeviceDescriptor());
    EXPECT_STREQ(clone->getDeviceDescriptor(), copy.getDeviceDescriptor());
    delete clone;
}

TEST(PCIDescriptor, HexadecimalCodesReadAsSaturatingSigned32Bit) {
    struct Case {
        const char* field;
        int expected;
    };
    const Case cases[] = {
        {"0", 0},
        {"8086", 0x8086},
        {"FFFF", 0xffff},
        {"7fffffff", 2147483647},
        {"80000000", 2147483647},
        {"ffffffff", 2147483647},
        {"180860000", 2147483647},
        {"ffffffffffffffffffff", 2147483647},
    };
    for (const Case& c : cases) {
        const std::string code = c.field;
        PCIDevice device(("PCI Device|desc|1|2|1|-1|" + code + "|" + code + "|e000|921|m|" + code +
                          "|" + code + "|")
                             .c_str());
        ASSERT_TRUE(device.isDeviceReferenceValid()) << c.field;
        EXPECT_EQ(device.getVendorID(), c.expected) << c.field;
        EXPECT_EQ(device.getDeviceID(), c.expected) << c.field;
        EXPECT_EQ(device.getDeviceSubclass(), c.expected) << c.field;
        EXPECT_EQ(device.getDeviceBaseclass(), c.expected) << c.field;
    }
    // I/O addresses are not codes: they keep their full value.
    PCIDevice device("PCI Device|desc|1|2|2|-1|8086|1229|ffffffff|80000000|921|m|0|2|");
    ASSERT_TRUE(device.isDeviceReferenceValid());
    EXPECT_EQ(device.getPhyIOAddr(), (std::vector<unsigned long>{0xffffffffUL, 0x80000000UL}));
}

TEST(PCIDescriptor, BadDescriptorsLeaveTheDeviceInvalid) {
    const char* cases[] = {
        "",
        "PCI Device|desc|1|2|",                                   // too few fields
        "PCI Device|desc|1|2|1|-1|8086|1229|ffffffff|921|m|0|",   // base class missing
        "PCI Device|desc|x|2|1|-1|8086|1229|ffffffff|921|m|0|2|", // bus not a number
        "PCI Device|desc|1|2|-1|-1|8086|1229|921|m|0|2|",         // negative function count
        "PCI Device|desc|1|2|9|-1|8086|1229|1|2|3|4|5|6|7|8|9|921|m|0|2|", // absurd function count
        "PCI Device|desc|1|2|2147483647|-1|8086|1229|921|m|0|2|",
        "PCI Device|desc|1|2|1|-1|80g6|1229|ffffffff|921|m|0|2|",       // not hexadecimal
        "PCI Device|desc|1|2|1|-1||1229|ffffffff|921|m|0|2|",           // empty code
        "PCI Device|desc|1|2|1|-1|8086|1229|ffffffff|921|m|0|2|extra|", // fields left over
        "PCI Device|desc|1|2|1|-1|8086|1229|ffffffff|921|m|0|2",        // last bar missing
        "PCI Device|desc|99999999999|2|0|-1|8086|1229|921|m|0|2|",      // bus beyond int
        "PCI Device|desc|1|2|0|-1|8086|1229|-921|m|0|2|",               // negative type
    };
    for (const char* descriptor : cases) {
        PCIDevice device(descriptor);
        EXPECT_FALSE(device.isDeviceReferenceValid()) << descriptor;
        EXPECT_STREQ(device.getDeviceName(), VarnDiags::PCIDevices::EMPTY_PCI_DEVICE) << descriptor;
        EXPECT_TRUE(device.getPhyIOAddr().empty());
    }
    PCIDevice null(static_cast<const char*>(nullptr));
    EXPECT_FALSE(null.isDeviceReferenceValid());
}

TEST(PCIDescriptor, BarsInTextsDoNotShiftFields) {
    PCIDevice device(1, 2, 0, 0x10, 0x20, nullptr, "a|b", "c|d", 0, 1);
    PCIDevice copy(device.getDeviceDescriptor());
    ASSERT_TRUE(copy.isDeviceReferenceValid());
    EXPECT_STREQ(copy.getDeviceDescription(), "a/b");
    EXPECT_EQ(copy.getManufacturer(), "c/d");
    EXPECT_EQ(copy.getDeviceBaseclass(), 1);
}

TEST(PCIDevice, SlotRebuildsDescriptionFromItsBase) {
    PCIDevice device(0, 1, 1, nullptr);
    device.setSlotID(-1);
    EXPECT_STREQ(device.getDeviceDescription(), "Unknown PCI Device Description");
    device.setSlotID(0);
    EXPECT_STREQ(device.getDeviceDescription(), "Unknown PCI Device Description- onboard");
    device.setSlotID(7);
    EXPECT_STREQ(device.getDeviceDescription(), "Unknown PCI Device Description- Slot:7");
    EXPECT_NE(std::string(device.getDeviceDescriptor())
                  .find("|Unknown PCI Device Description- Slot:7|0|1|1|7|"),
              std::string::npos);
    device.setSlotID(-1);
    EXPECT_STREQ(device.getDeviceDescription(), "Unknown PCI Device Description- Slot:7");
}

TEST(PCIDevice, LocationListsFunctionsThenSlot) {
    PCIDevice twoFunctions(2, 3, 2, nullptr);
    twoFunctions.setSlotID(5);
    twoFunctions.setDeviceLocation();
    EXPECT_STREQ(twoFunctions.getDeviceLocation(), "PCI Bus2:Device3:Function0,Function1- Slot:5");
    PCIDevice none(2, 3, 0, nullptr);
    none.setSlotID(0);
    none.setDeviceLocation();
    EXPECT_STREQ(none.getDeviceLocation(), "- onboard");
}

TEST(PCIDevice, EmptyDeviceAndClassChecks) {
    PCIDevice empty;
    EXPECT_FALSE(empty.isDeviceReferenceValid());
    EXPECT_STREQ(empty.getDeviceName(), "Default EMPTY PCI Device Created by framework.");
    EXPECT_EQ(empty.open(VarnDiags::DeviceEnum::IDevice::OPEN_TEST), 0);

    struct Case {
        int base, sub;
        bool scsi, network, bridge;
    };
    for (Case c : {Case{1, 0, true, false, false}, Case{2, 0, false, true, false},
                   Case{6, 4, false, false, true}, Case{1, 4, false, false, false}}) {
        PCIDevice device(0, 0, 0, 0, 0, nullptr, nullptr, nullptr, c.sub, c.base);
        EXPECT_EQ(device.IsSCSIControllerDevice(), c.scsi);
        EXPECT_EQ(device.IsNetworkDevice(), c.network);
        EXPECT_EQ(device.IsPCIBridge(), c.bridge);
    }
}

TEST(VarnComUtils, NumbersToText) {
    using VarnDiags::ComUtils::VarnComUtils;
    char buffer[24];
    struct Case {
        int value, radix;
        const char* expected;
    };
    for (Case c : {Case{-5, 16, "fffffffb"}, Case{-5, 10, "-5"}, Case{255, 16, "ff"},
                   Case{-2147483647 - 1, 10, "-2147483648"}}) {
        std::strcpy(buffer, "untouched");
        VarnComUtils::varn_itoa(c.value, buffer, c.radix);
        EXPECT_STREQ(buffer, c.expected);
    }
    std::strcpy(buffer, "untouched");
    VarnComUtils::varn_itoa(8, buffer, 8);
    EXPECT_STREQ(buffer, "untouched");
    VarnComUtils::varn_ltoa(0xffffffffffffffffUL, buffer, 10);
    EXPECT_STREQ(buffer, "18446744073709551615");
    VarnComUtils::varn_ltoa(0x80000000UL, buffer, 16);
    EXPECT_STREQ(buffer, "80000000");
}

TEST(TextConversion, AlwaysTerminatedWithinCount) {
    std::setlocale(LC_ALL, "C");
    wchar_t wide[4];
    std::wmemset(wide, L'x', 4);
    MBCS_TO_UNICODEhelper(wide, "abcdef", 4);
    EXPECT_EQ(std::wstring(wide), L"abc");

    char narrow[4];
    std::memset(narrow, 'x', 4);
    UNICODE_TO_MBCShelper(narrow, L"abcdef", 4);
    EXPECT_STREQ(narrow, "abc");
    UNICODE_TO_MBCShelper(narrow, L"ab", 4);
    EXPECT_STREQ(narrow, "ab");
    UNICODE_TO_MBCShelper(narrow, L"\u00e9t\u00e9", 4); // not in the C locale
    EXPECT_STREQ(narrow, "");
    EXPECT_EQ(UNICODE_TO_MBCShelper(narrow, L"abc", 0), narrow);
}
