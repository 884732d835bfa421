// The plug the host shell calls, and the IDE talker the program carries.

#include <gtest/gtest.h>

#include <memory>

#include "Diag/ProgramPlug.h"
#include "IDEDevices/IOSIdeDeviceTalker.h"
#include "PCIFiberDiag/QLogicHBA.h"
#include "PCIFiberDiag/QLogicHBAEnumerator.h"
#include "PCIFiberDiag/korfiber.h"

using namespace VarnDiags::PCIFiberDiag;
using VarnDiags::DeviceEnum::VirtualDevice;

TEST(KorfiberPlug, OffersTwoTestsItsEnumeratorAndDiagnostic) {
    EXPECT_STREQ(VarnDiags::MODULE_NAME, "korfiber");
    EXPECT_EQ(GetNumberOfTests(), 2);
    std::unique_ptr<VarnDiags::DeviceEnum::IDeviceEnumerator> enumerator(
        GetVarnDiagsDeviceEnumeratorObject());
    EXPECT_NE(dynamic_cast<QLogicHBAEnumerator*>(enumerator.get()), nullptr);
    std::unique_ptr<VarnDiags::Diag::IDiagnostics> diagnostic(GetVarnDiagsTestObject());
    EXPECT_NE(dynamic_cast<korfiber*>(diagnostic.get()), nullptr);
}

TEST(KorfiberPlug, RebuildsADeviceFromItsDescriptor) {
    const char* descriptor =
        "4|8962|0|21 00 00 e0 8b 01 02 03|QLogic PCI Fiber Channel Adapter|QLA2312 Dual Port|";
    VirtualDevice* handle = nullptr;
    GetVarnVirtualDevice(descriptor, &handle);
    std::unique_ptr<VirtualDevice> owned(handle);
    ASSERT_NE(owned, nullptr);
    auto* hba = dynamic_cast<QLogicHBA*>(owned->getDevice());
    ASSERT_NE(hba, nullptr);
    EXPECT_STREQ(hba->getDeviceDescriptor(), descriptor);

    GetVarnVirtualDevice("not a descriptor", &handle);
    owned.reset(handle);
    ASSERT_NE(owned, nullptr);
    EXPECT_FALSE(owned->getDevice()->isDeviceReferenceValid());
    GetVarnVirtualDevice(descriptor, nullptr); // nowhere to put it: nothing happens
}

namespace {
class Talker : public VarnDiags::IDEDevices::IOSIdeDeviceTalker {
public:
    int OpenDevice() override { return 0; }
    int CloseDevice() override { return 0; }
};
} // namespace

TEST(IdeDeviceTalker, KeepsItsOwnCopyAndRefusesNull) {
    Talker talker;
    EXPECT_EQ(talker.getDeviceOSFileDescriptor(), nullptr);
    char name[] = "/dev/hda";
    EXPECT_TRUE(talker.setDeviceOSFileDescriptor(name));
    name[5] = 'x';
    EXPECT_STREQ(talker.getDeviceOSFileDescriptor(), "/dev/hda");
    EXPECT_FALSE(talker.setDeviceOSFileDescriptor(nullptr));
    EXPECT_STREQ(talker.getDeviceOSFileDescriptor(), "/dev/hda");
}
