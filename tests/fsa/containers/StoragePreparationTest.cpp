// Preparing a disk for container partitions.
#include "FsaApi.h"
#include "HandleTable.h"
#include "SimFixture.h"

extern "C" FSA_STATUS FsaInitStorageDeviceForFsa(void* handle, int override,
                                                 const FSA_STORAGE_DEVICE* device, int force);

namespace {

// Disk 0 blank; disk 1 with the MBR and one used on-disk entry; disk 2 with
// the MBR and an unused entry; disk 3 a DOS disk.
const char* kDisks = R"({"adapters": [{"index": 0, "serial": 9, "slices": [
    {"size": 10128, "drive": 0, "mbr": false},
    {"size": 10128, "drive": 1, "diskPartitions": [{"start": 128, "size": 64, "serial": 9, "slice": 1}]},
    {"size": 10128, "drive": 2, "diskPartitions": [{"start": 128, "size": 64, "serial": 0, "slice": 2}]},
    {"size": 10128, "drive": 3, "mbr": false, "type": 3}]}]})";

class StoragePreparationTest : public fsatest::SimTest {
protected:
    std::string config() const override { return kDisks; }
    bool sent(int command) {
        for (const auto& e : sim.journal())
            if (e.ctCommand == command)
                return true;
        return false;
    }
};

TEST_F(StoragePreparationTest, WritesTheMbrAndRereadsWhenNeeded) {
    void* h = open();
    const struct {
        std::uint8_t target;
        int override, force;
        std::uint32_t status;
        bool mbrWritten, reconfig;
    } cases[] = {
        {0, 0, 0, 1, true, false},   {1, 0, 0, 20, false, false}, {1, 1, 0, 1, true, true},
        {2, 1, 0, 1, true, false},   {3, 0, 0, 20, false, false}, {3, 1, 0, 1, true, false},
        {9, 1, 0, 12, false, false}, // no slice for that drive
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.target));
        sim.clearJournal();
        FSA_STORAGE_DEVICE d{};
        d.scsi.target = c.target;
        d.scsi.adapterSerial = 9;
        EXPECT_EQ(FsaInitStorageDeviceForFsa(h, c.override, &d, c.force), FSA_STATUS(c.status));
        EXPECT_EQ(sent(6), c.mbrWritten);
        EXPECT_EQ(sent(34), c.reconfig);
    }
    void* ro = open("qor0", FSA_ACC_READ_ONLY);
    FSA_STORAGE_DEVICE d{};
    EXPECT_EQ(FsaInitStorageDeviceForFsa(ro, 1, &d, 0), FSA_STS_NEEDS_READ_WRITE);
    FsaCloseAdapter(ro);
    FsaCloseAdapter(h);
}

} // namespace
