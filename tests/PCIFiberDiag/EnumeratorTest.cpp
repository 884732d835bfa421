// Enumeration through the SDM library: the QLA2312 filter, failing record
// reads, and the handles it leaves.

#include <gtest/gtest.h>

#include <memory>

#include "PCIFiberDiag/QLogicHBA.h"
#include "PCIFiberDiag/QLogicHBAEnumerator.h"
#include "StandInFixture.h"

using namespace VarnDiags::PCIFiberDiag;
using namespace korfiber_test;
using VarnDiags::DeviceEnum::VirtualDevice;

namespace {

class HbaEnumeration : public StandInFixture {
protected:
    // WWN texts of the enumerated devices.
    std::vector<std::string> enumerate() {
        QLogicHBAEnumerator enumerator;
        std::unique_ptr<std::vector<VirtualDevice>> devices(enumerator.getDeviceVector());
        EXPECT_NE(devices, nullptr);
        std::vector<std::string> found;
        for (VirtualDevice& handle : *devices) {
            auto* hba = dynamic_cast<QLogicHBA*>(handle.getDevice());
            EXPECT_NE(hba, nullptr);
            EXPECT_TRUE(hba->isDeviceReferenceValid());
            found.push_back(hba->getDeviceOSFileDescriptor());
        }
        return found;
    }
};

const char* A = "20 00 00 e0 8b 00 00 0a";
const char* B = "20 00 00 e0 8b 00 00 0b";
const char* C = "20 00 00 e0 8b 00 00 0c";

} // namespace

TEST_F(HbaEnumeration, KeepsOnlyDescriptionsHolding2312) {
    load({adapter(A, "QLA2312"), adapter(B, "Adapter Model 100"), adapter(C, "Model x2312y")});
    EXPECT_EQ(enumerate(), (std::vector<std::string>{A, C}));
    EXPECT_EQ(calls("SDCloseDevice").size(), 3u) << "every adapter is closed after its reads";
}

TEST_F(HbaEnumeration, NoAdapterGivesAnEmptyVector) {
    load({});
    EXPECT_TRUE(enumerate().empty());
    EXPECT_EQ(calls("SDOpenDevice"), (std::vector<std::string>{"SDOpenDevice 0 = 0x20000001"}));
}

TEST_F(HbaEnumeration, EnumeratedDeviceCarriesTheAdapterFacts) {
    json first = adapter(A, "QLA2312", {{0, 0}, {0, 0}, {0, 0}}, 7);
    first["chip"]["type"] = 3;
    load({first});
    QLogicHBAEnumerator enumerator;
    std::unique_ptr<std::vector<VirtualDevice>> devices(enumerator.getDeviceVector());
    ASSERT_EQ(devices->size(), 1u);
    auto* hba = dynamic_cast<QLogicHBA*>((*devices)[0].getDevice());
    EXPECT_EQ(hba->getNumberofPorts(), 3);
    EXPECT_EQ(hba->getBusNum(), 7);
    EXPECT_EQ(hba->getDeviceNum(), 8962);
    EXPECT_EQ(hba->getDeviceType(), 3u);
    EXPECT_STREQ(hba->getDeviceDescription(), "QLA2312 Dual Port");
    EXPECT_STREQ(
        hba->getDeviceDescriptor(),
        (std::string("7|8962|3|") + A + "|QLogic PCI Fiber Channel Adapter|QLA2312 Dual Port|")
            .c_str());
}

TEST_F(HbaEnumeration, FailingReadEndsItKeepingEarlierDevices) {
    for (const char* kind : {"node", "port", "chip", "open"}) {
        json third = adapter(C, "QLA2312");
        third["fail"] = {{kind, 0x20000100}};
        load({adapter(A, "QLA2312"), adapter(B, "QLA2312"), third, adapter(C, "QLA2312")});
        EXPECT_EQ(enumerate(), (std::vector<std::string>{A, B})) << kind;
        EXPECT_EQ(calls("SDOpenDevice").size(), 3u) << kind << ": nothing after the failure";
        EXPECT_EQ(qlsdm_standin::openHandles(), 0u) << kind;
    }
}
