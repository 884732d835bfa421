// Preparing a disk for container partitions.
#include "ClusterFaults.h"
#include "Context.h"
#include "FsaApi.h"
#include "HandleTable.h"
#include "SimFixture.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

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

TEST_F(StoragePreparationTest, ARemoteContextEndsAtTheRemoteTransport) {
    void* h = open();
    FSAAPI_CONTEXT* ctx = UtilGetContextFromHandle(h).get();
    ctx->connectionType = FSA_CONNECTION_REMOTE;
    FSA_STORAGE_DEVICE d{};
    d.scsi.adapterSerial = 9;
    sim.clearJournal();
    for (int force : {0, 1}) {
        EXPECT_EQ(FsaInitStorageDeviceForFsa(h, 1, &d, force), FSA_STS_NOT_IMPLEMENTED) << force;
        EXPECT_TRUE(sim.journal().empty()) << force;
    }
    ctx->connectionType = FSA_CONNECTION_LOCAL;
    FsaCloseAdapter(h);
}

// A running task on the blank disk (drive 0).
const char* kDiskWithTask = R"({"adapters": [{"index": 0, "serial": 9, "slices": [
    {"size": 10128, "drive": 0, "mbr": false}],
    "tasks": [{"id": 11, "job": 2, "object": 0, "total": 1000, "step": 0}]}]})";

// Counts the 2000 ms pauses of the library's clock and runs `onPause` in
// each; every other sleep passes quickly, as with the fast sleeper.
class PauseRecorder final : public fsa::Sleeper {
public:
    void sleepMs(unsigned ms) override {
        if (ms == 2000) {
            ++pauses;
            if (onPause)
                onPause();
        }
        std::this_thread::sleep_for(std::chrono::microseconds(ms * 20));
    }
    std::atomic<int> pauses{0};
    std::function<void()> onPause;
};

class ForcedPreparationTest : public StoragePreparationTest {
protected:
    std::string config() const override { return kDiskWithTask; }
    void SetUp() override {
        StoragePreparationTest::SetUp();
        fsa::setSleeper(&recorder);
    }
    PauseRecorder recorder;
    std::size_t terminations() {
        std::size_t n = 0;
        for (const auto& e : sim.journal())
            n += e.aifRequest == 104;
        return n;
    }
    FSA_STORAGE_DEVICE disk() const {
        FSA_STORAGE_DEVICE d{};
        d.scsi.adapterSerial = 9;
        return d;
    }
};

TEST_F(ForcedPreparationTest, TheDisksTasksAreToldToEndFirst) {
    void* h = open();
    const FSA_STORAGE_DEVICE d = disk();
    // Without force a running task refuses the disk, nothing is ended and
    // there is no pause.
    EXPECT_EQ(FsaInitStorageDeviceForFsa(h, 1, &d, 0), FSA_STATUS(145));
    EXPECT_EQ(terminations(), 0u);
    EXPECT_EQ(recorder.pauses, 0);
    EXPECT_FALSE(sent(6));
    // Forced: the task ends when told to, the controller gets 2000 ms to
    // settle, and the disk is prepared.
    sim.clearJournal();
    ASSERT_EQ(FsaInitStorageDeviceForFsa(h, 0, &d, 1), FSA_STS_SUCCESS);
    EXPECT_EQ(terminations(), 1u);
    EXPECT_EQ(recorder.pauses, 1);
    EXPECT_TRUE(sim.snapshot(0).tasks.at(0).ended());
    EXPECT_TRUE(sent(6));
    FsaCloseAdapter(h);
}

// The task list is asked again after the pause: a task that started on the
// disk meanwhile refuses it with 145, and no MBR is written.
TEST_F(ForcedPreparationTest, ATaskStillListedAfterThePauseRefusesTheDisk) {
    void* h = open();
    const FSA_STORAGE_DEVICE d = disk();
    recorder.onPause = [this] {
        sim.update(0, [](qorsim::Adapter& a) { a.tasks.push_back(qorsim::Task{12, 2, 0}); });
    };
    sim.clearJournal();
    EXPECT_EQ(FsaInitStorageDeviceForFsa(h, 0, &d, 1), FSA_STATUS(145));
    EXPECT_EQ(terminations(), 1u);
    EXPECT_EQ(recorder.pauses, 1);
    EXPECT_FALSE(sent(6));
    FsaCloseAdapter(h);
}

TEST_F(ForcedPreparationTest, ATaskThatCannotBeEndedFailsThePreparation) {
    const struct {
        std::uint32_t replyState;
        std::uint32_t status;
    } cases[] = {{2, 6}, {3, 6}, {0, 6}, {8, 6}, {5, 1}, {4, 1}};
    void* h = open();
    const FSA_STORAGE_DEVICE d = disk();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.replyState);
        sim.load(kDiskWithTask);
        // The controller answers the terminate request with the state of the
        // case; the task ends all the same.
        const std::uint32_t state = c.replyState;
        sim.registerAifRequest(104, [state](qorsim::FibRequest& r) {
            qorsim::Task* t = r.adapter.findTask(r.word(1));
            t->status = 3;
            r.setWord(0, 0);
            r.setWord(1, state);
            r.setReplySize(40);
            r.sim.sendJobProgress(r.adapter, {t});
        });
        sim.clearJournal();
        EXPECT_EQ(FsaInitStorageDeviceForFsa(h, 0, &d, 1), FSA_STATUS(c.status));
        EXPECT_EQ(sent(6), c.status == 1);
    }
    FsaCloseAdapter(h);
}

// Local bus 0 is the partner's bus 1; both adapters reach the disk, local
// drive 0 and the partner's 128, and neither carries the controller's MBR.
// The disk set holding it is named per case.
std::string clusterWithDisk(std::uint32_t sharedMask, std::uint64_t setOwner) {
    const std::string cluster = R"("cluster": {"id": 5, "busMap": [1, 0], "sharedMask": )" +
                                std::to_string(sharedMask) + "}";
    const std::string set = R"("diskSets": [{"number": 77, "creator": 8738, "owner": )" +
                            std::to_string(setOwner) + R"(, "members": [)";
    return R"({"adapters": [
      {"index": 0, "serial": 4660, )" +
           cluster + R"(, "drives": [{"bus": 0, "target": 0}],
       "slices": [{"size": 10128, "drive": 0, "mbr": false}], )" +
           set + R"(0]}]},
      {"index": 2, "serial": 8738, )" +
           cluster + R"(, "drives": [{"bus": 1, "target": 0}],
       "slices": [{"size": 10128, "drive": 128, "mbr": false}], )" +
           set + "128]}]}]}";
}

class PartnerPreparationTest : public StoragePreparationTest {
protected:
    bool mbrWrittenOn(int adapter) const {
        for (const auto& e : sim.journal())
            if (e.ctCommand == 6 && e.adapter == adapter)
                return true;
        return false;
    }
};

// A disk of a set the partner owns is prepared through the partner, whatever
// the cluster's shared-bus mask reads like, or refused when the partner's bus
// numbers cannot be read either (461); this adapter's copy of the disk is
// never written. A disk of a set held here is prepared here.
TEST_F(PartnerPreparationTest, ADiskThePartnerOwnsIsPreparedThere) {
    constexpr int kClusterInfo = 258;
    constexpr std::uint64_t kHere = 4660, kPartner = 8738;
    const struct {
        const char* what;
        std::uint32_t sharedMask;
        std::uint64_t owner;
        std::vector<qorsim::Fault> faults;
        std::uint32_t status;
        int preparedOn; // the adapter whose disk gets the MBR; -1: none
    } cases[] = {
        {"mask read", 1, kPartner, {}, 1, 2},
        {"mask unread", 1, kPartner, {fsatest::clusterRead(kClusterInfo, false)}, 461, -1},
        {"mask zeroed", 1, kPartner, {fsatest::clusterRead(kClusterInfo, true)}, 461, -1},
        {"private bus, the partner's set", 0, kPartner, {}, 1, 2},
        {"shared bus, the set held here", 1, kHere, {}, 1, 0},
        {"private bus, the set held here", 0, kHere, {}, 1, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        sim.load(clusterWithDisk(c.sharedMask, c.owner));
        void* h = open();
        void* partner = open("qor2");
        // What a clustered open records: the partner's handle in the table.
        FSAAPI_CONTEXT* ctx = UtilGetContextFromHandle(h).get();
        ctx->partnerHandle = UtilValueFromHandle(partner);
        ctx->adapters[1] = {ctx->partnerHandle, 8738, 0};
        ctx->adapterCount = 2;
        for (const qorsim::Fault& f : c.faults)
            sim.inject(f);
        sim.clearJournal();
        FSA_STORAGE_DEVICE d{};
        d.scsi.adapterSerial = 4660;
        EXPECT_EQ(FsaInitStorageDeviceForFsa(h, 1, &d, 0), FSA_STATUS(c.status));
        sim.clearFaults();
        for (int adapter : {0, 2}) {
            SCOPED_TRACE(adapter);
            EXPECT_EQ(mbrWrittenOn(adapter), c.preparedOn == adapter);
            EXPECT_EQ(sim.snapshot(adapter).slices.at(0).hasMbr, c.preparedOn == adapter);
        }
        ctx->partnerHandle = 0;
        ctx->adapterCount = 1;
        FsaCloseAdapter(partner);
        FsaCloseAdapter(h);
    }
}

} // namespace
