#include <gtest/gtest.h>

#include <memory>

#include "DeviceEnum/VirtualDevice.h"
#include "FakeDevice.h"
#include "System/CharacteristicsMap.h"
#include "System/SystemResource.h"

using testing_support::DeviceJournal;
using testing_support::FakeDevice;
using VarnDiags::DeviceEnum::IDevice;
using VarnDiags::DeviceEnum::VirtualDevice;

TEST(VirtualDevice, LastOfThreeHandlesClosesAndDeletesOnce) {
    DeviceJournal journal;
    auto* device = new FakeDevice(journal);
    auto first = std::make_unique<VirtualDevice>(device);
    auto second = std::make_unique<VirtualDevice>(*first);
    auto third = std::make_unique<VirtualDevice>(*second);
    EXPECT_EQ(device->useCount(), 3);
    ASSERT_TRUE(third->openDevice(IDevice::OPEN_TEST));

    first.reset();
    second.reset();
    EXPECT_EQ(device->useCount(), 1);
    EXPECT_EQ(journal.closes, 0);
    EXPECT_EQ(journal.deletions, 0);

    third.reset();
    EXPECT_EQ(journal.closes, 1);
    EXPECT_EQ(journal.deletions, 1);
}

TEST(VirtualDevice, AssignmentIsCountedLikeCopy) {
    DeviceJournal oldJournal, newJournal;
    auto* oldDevice = new FakeDevice(oldJournal);
    auto* newDevice = new FakeDevice(newJournal);
    {
        VirtualDevice target(oldDevice);
        VirtualDevice source(newDevice);
        target = source; // the old device loses its only handle
        EXPECT_EQ(oldJournal.deletions, 1);
        EXPECT_EQ(newDevice->useCount(), 2);
        VirtualDevice& alias = target;
        target = alias;
        EXPECT_EQ(newDevice->useCount(), 2);
        VirtualDevice empty;
        empty = source;
        EXPECT_EQ(newDevice->useCount(), 3);
    }
    EXPECT_EQ(newJournal.closes, 1);
    EXPECT_EQ(newJournal.deletions, 1);
    EXPECT_EQ(oldJournal.closes, 1);
}

TEST(VirtualDevice, HandlesInAVectorReleaseTheirDevices) {
    DeviceJournal journal;
    {
        auto devices = std::make_unique<std::vector<VirtualDevice>>();
        for (int i = 0; i < 3; ++i)
            devices->push_back(VirtualDevice(new FakeDevice(journal)));
        devices->reserve(100); // reallocation copies and destroys handles
    }
    EXPECT_EQ(journal.deletions, 3);
    EXPECT_EQ(journal.closes, 3);
}

TEST(VirtualDevice, EmptyHandleDoesNothing) {
    VirtualDevice empty;
    EXPECT_EQ(empty.getDevice(), nullptr);
    EXPECT_FALSE(empty.openDevice(IDevice::OPEN_TEST));
    empty.closeDevice();
}

TEST(VirtualDevice, OpenReportsTheDevicesAnswer) {
    DeviceJournal journal;
    VirtualDevice refusing(new FakeDevice(journal, true, 1));
    EXPECT_FALSE(refusing.openDevice(IDevice::OPEN_TEST));
    EXPECT_EQ(journal.opens, 1);
}

TEST(CharacteristicsMap, AddGetUpdateRemove) {
    VarnDiags::System::CharacteristicsMap map;
    std::string* value = nullptr;
    EXPECT_FALSE(map.getCharacteristic("speed", value));
    EXPECT_EQ(value, nullptr);
    EXPECT_FALSE(map.updateCharacteristic("speed", "fast"));
    EXPECT_FALSE(map.removeCharacteristic("speed"));

    EXPECT_TRUE(map.addCharacteristic("speed", "slow"));
    EXPECT_FALSE(map.addCharacteristic("speed", "fast"));
    ASSERT_TRUE(map.getCharacteristic("speed", value));
    EXPECT_EQ(*value, "slow");
    delete value;

    EXPECT_TRUE(map.updateCharacteristic("speed", "fast"));
    ASSERT_TRUE(map.getCharacteristic("speed", value));
    EXPECT_EQ(*value, "fast");
    delete value;
    EXPECT_FALSE(map.updateCharacteristic("colour", "red"));
    value = nullptr;
    EXPECT_FALSE(map.getCharacteristic("colour", value));
    EXPECT_EQ(value, nullptr);

    EXPECT_TRUE(map.removeCharacteristic("speed"));
    EXPECT_FALSE(map.getCharacteristic("speed", value));
}

TEST(SystemResource, LocksThroughItsLockIfAny) {
    VarnDiags::System::SystemResource bare;
    EXPECT_TRUE(bare.lock());
    bare.unlock();

    VarnDiags::System::Lock lock;
    VarnDiags::System::SystemResource guarded(&lock);
    ASSERT_TRUE(guarded.lock());
    guarded.unlock();
    EXPECT_TRUE(lock.lock());
    lock.unlock();
}
