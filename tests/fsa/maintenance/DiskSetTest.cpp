// Disk sets, ownership, claims and the cluster bus mapping against the
// simulated controller's disk-set model.
#include "DiskSetChannel.h"
#include "DiskSetOps.h"
#include "DiskSetRecords.h"
#include "HandleTable.h"
#include "SimFixture.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr std::uint64_t kSelf = 4660;
constexpr std::uint64_t kOther = 9999;

const char* kConfig = R"({"adapters": [{"index": 0, "serial": 4660,
  "drives": [{"bus": 0, "target": 0}, {"bus": 0, "target": 1}, {"bus": 0, "target": 2},
             {"bus": 1, "target": 0}, {"bus": 1, "target": 1}],
  "slices": [{"drive": 0}, {"drive": 1}, {"drive": 2}, {"drive": 128}, {"drive": 129}],
  "diskSets": [
    {"number": 100, "creator": 4660, "label": "Untitled-1", "owner": 4660, "flags": 4, "members": [0],
     "stamp": 146112259419057930, "attributes": 1},
    {"number": 200, "creator": 9999, "label": "Untitled-3", "owner": 9999, "flags": 4, "members": [1]},
    {"number": 300, "creator": 4660, "label": "loose", "owner": 0, "flags": 0, "members": [128]}],
  "cluster": {"name": "nodeA", "id": 77, "sharedMask": 2, "busMap": [1, 0]}}]})";

FSA_DISK_SET key(std::uint64_t number, std::uint64_t creator) {
    FSA_DISK_SET s{};
    s.number = number;
    s.creator = creator;
    return s;
}

class DiskSetTest : public fsatest::OpenAdapterTest {
protected:
    std::string config() const override { return kConfig; }
    void SetUp() override {
        OpenAdapterTest::SetUp();
        sim.clearJournal();
    }
    void TearDown() override {
        OpenAdapterTest::TearDown();
        keepalive_synchfib = 1;
    }
    // Cluster commands sent since the journal was cleared.
    std::vector<std::uint32_t> clusterCommands() const {
        std::vector<std::uint32_t> out;
        for (const auto& e : sim.journal())
            if (e.fibCommand == 550)
                out.push_back(qorsim::get32(e.fib.data(), qorsim::kFibHeader));
        return out;
    }
    const qorsim::DiskSet* modelSet(std::uint64_t number) {
        model = sim.snapshot(0);
        for (const auto& s : model.maint.diskSets)
            if (s.number == number)
                return &s;
        return nullptr;
    }
    FSAAPI_CONTEXT* ctx() { return UtilGetContextFromHandle(handle).get(); }

    qorsim::Adapter model;
};

TEST(DiskSetNumber, EncodesAndDecodesTheCreationTime) {
    FAOS_TIME_INFO t{2004, 3, 0, 5, 6, 7, 8, 0};
    std::uint8_t bytes[8];
    DS_EncodeDiskSetNumber(t, FSA_OEM_VARN, bytes);
    const std::uint32_t packed = 3 | 5 << 4 | 6 << 10 | 7 << 16 | 8 << 22;
    const std::uint8_t expected[8] = {10,
                                      175,
                                      0,
                                      104,
                                      static_cast<std::uint8_t>(packed),
                                      static_cast<std::uint8_t>(packed >> 8),
                                      static_cast<std::uint8_t>(packed >> 16),
                                      static_cast<std::uint8_t>(packed >> 24)};
    EXPECT_EQ(0, std::memcmp(bytes, expected, 8));
    std::uint64_t stamp;
    std::memcpy(&stamp, bytes, 8);
    std::uint16_t time[8];
    ConvertDiskSetCreationTimeStampToFsaTime(stamp, time);
    EXPECT_EQ(std::vector<std::uint16_t>(time, time + 8),
              (std::vector<std::uint16_t>{2004, 3, 5, 6, 7, 8, 0, 0}));
    // Years before 1997 belong to the next century.
    ConvertDiskSetCreationTimeStampToFsaTime(std::uint64_t{96} << 24, time);
    EXPECT_EQ(time[0], 2096);
    DS_EncodeDiskSetNumber(t, FSA_OEM_GENERIC, bytes);
    EXPECT_EQ(bytes[0], 192);
    EXPECT_EQ(bytes[1], 170);
    DS_EncodeDiskSetNumber(t, FSA_OEM_KQ, bytes);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[1], 240);
}

TEST(DiskSetChannelStatus, ControllerStatusesMapPerChannel) {
    const struct {
        std::uint32_t controller;
        unsigned normal, synch;
    } rows[] = {{1, 1, 1},      {7, 12, 12},    {9, 582, 427},  {12, 426, 426},
                {17, 459, 427}, {19, 536, 536}, {21, 537, 537}, {22, 538, 538},
                {23, 539, 539}, {24, 550, 427}, {0, 427, 427},  {99, 427, 427}};
    for (const auto& r : rows) {
        EXPECT_EQ(DS_MapStatus(r.controller), r.normal) << r.controller;
        EXPECT_EQ(DS_MapSynchStatus(r.controller), r.synch) << r.controller;
    }
}

TEST_F(DiskSetTest, RecordsAtTheSizeLimitAreSentLargerOnesRefused) {
    std::uint8_t record[473] = {};
    EXPECT_EQ(DS_SendReceiveFIB(ctx(), CL_CLAIM, record, 473, nullptr, 0), 423u);
    EXPECT_EQ(DS_SendReceiveFIB(ctx(), CL_CLAIM, nullptr, 0, record, 473), 423u);
    EXPECT_TRUE(clusterCommands().empty());
    EXPECT_EQ(DS_SendReceiveFIB(ctx(), CL_CLAIM, record, 472, nullptr, 0), FSA_STS_SUCCESS);
    EXPECT_EQ(clusterCommands(), std::vector<std::uint32_t>{CL_CLAIM});
}

TEST_F(DiskSetTest, ControllerStatusAndBrokenDriverReachTheCaller) {
    qorsim::Fault status;
    status.fibCommand = 550;
    status.mutateReply = [](std::uint8_t* fib) { qorsim::put32(fib, qorsim::kFibHeader, 24); };
    sim.inject(status);
    EXPECT_EQ(FsaDiskSetRescan(handle, 4), 550u);
    qorsim::Fault broken;
    broken.fibCommand = 550;
    broken.error = EIO;
    sim.inject(broken);
    EXPECT_EQ(FsaDiskSetRescan(handle, 4), FSA_STS_UX_IOCTL_FAILED);
    EXPECT_EQ(FsaDiskSetRescan(handle, 4), FSA_STS_SUCCESS);
    EXPECT_EQ(sim.snapshot(0).maint.rescans, (std::vector<std::uint32_t>{4, 4}));
}

TEST_F(DiskSetTest, DiskSetInformation) {
    FSA_DISK_SET set = key(100, kSelf);
    FSA_DISK_SET_INFO info;
    ASSERT_EQ(FsaGetDiskSetInfo(handle, &set, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(info.words[0], 100u);
    EXPECT_EQ(info.words[2], kSelf);
    EXPECT_STREQ(reinterpret_cast<const char*>(&info.words[FSA_DSI_LABEL]), "Untitled-1");
    EXPECT_EQ(DS_InfoOwner(info), kSelf);
    EXPECT_EQ(info.words[FSA_DSI_MEMBERS], 1u);
    EXPECT_EQ(info.words[FSA_DSI_SPARE_POOL], 1u);
    EXPECT_EQ(info.words[FSA_DSI_RELATION], 1u); // owned here, not attached
    EXPECT_EQ(info.words[FSA_DSI_STATE], 1u);
    const auto* time = reinterpret_cast<const std::uint16_t*>(&info.words[FSA_DSI_CREATED]);
    EXPECT_EQ(time[0], 2004);
    EXPECT_EQ(time[1], 3);
    EXPECT_EQ(time[5], 8);

    // A set the controller holds no record of: the record stays empty.
    FSA_DISK_SET loose = key(300, kSelf);
    std::memset(&info, 0xAB, sizeof info);
    EXPECT_EQ(FsaGetDiskSetInfo(handle, &loose, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(info.words[0], 0u);
    EXPECT_EQ(info.words[FSA_DSI_STATE], 0u);
    FSA_DISK_SET missing = key(5, kSelf);
    EXPECT_EQ(FsaGetDiskSetInfo(handle, &missing, &info), 12u);
    EXPECT_EQ(FsaGetDiskSetInfo(handle, nullptr, &info), FSA_STS_BAD_ARGUMENTS);
    EXPECT_EQ(FsaGetDiskSetInfo(nullptr, &set, &info), FSA_STS_INVALID_HANDLE);
}

TEST_F(DiskSetTest, DriveInformation) {
    FSA_DISK_SET_INFO info;
    std::uint32_t shared = 9;
    ASSERT_EQ(FsaGetDriveInfo(handle, 0, &info, &shared), FSA_STS_SUCCESS);
    EXPECT_EQ(info.words[0], 100u);
    EXPECT_EQ(shared, 0u);
    EXPECT_EQ(FsaGetDriveInfo(handle, 129, &info, &shared), 426u); // in no set
    EXPECT_EQ(shared, 1u);                                         // bus 1 is shared
    EXPECT_EQ(info.words[0], 0u);
    EXPECT_EQ(info.words[FSA_DSI_RELATION], 1u);
    EXPECT_EQ(FsaGetDriveInfo(handle, 77, &info, &shared), 12u); // no such drive
}

TEST_F(DiskSetTest, ClusterInformationAndBusMapping) {
    char name[51] = {};
    std::uint64_t id = 0;
    std::uint32_t mask = 0, count = 4;
    FSA_BUS_MAP_ENTRY entries[4];
    ASSERT_EQ(FsaGetClusterInfo(handle, name, nullptr, &id, &mask, &count, entries),
              FSA_STS_SUCCESS);
    EXPECT_STREQ(name, "nodeA");
    EXPECT_EQ(id, 77u);
    EXPECT_EQ(mask, 2u);
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(entries[2].words[0], 0xFFFFFFFFu); // preset, not in the reply
    EXPECT_EQ(FsaMapToPartnerBus(handle, 0), 1);
    EXPECT_EQ(FsaMapToPartnerBus(handle, 1), 0);
    EXPECT_EQ(FsaMapToPartnerBus(handle, 2), -1); // beyond the bus count
    EXPECT_EQ(FsaMapToPartnerBus(nullptr, 0), -1);
    EXPECT_EQ(FsaMapPartnerToLocalBus(handle, 1), 0);
    EXPECT_EQ(FsaMapPartnerToLocalBus(handle, 7), -1);

    FSA_STORAGE_DEVICE in{}, out{};
    in.scsi.bus = 0;
    in.scsi.target = 3;
    ASSERT_EQ(FsaMapToPartnersPerspective(handle, &in, &out), FSA_STS_SUCCESS);
    EXPECT_EQ(out.scsi.bus, 1);
    EXPECT_EQ(out.scsi.target, 3);
    ASSERT_EQ(FsaMapToLocalPerspective(handle, &out, &in), FSA_STS_SUCCESS);
    EXPECT_EQ(in.scsi.bus, 0);
    in.scsi.bus = 5;
    EXPECT_EQ(FsaMapToPartnersPerspective(handle, &in, &out), 433u);
    EXPECT_EQ(FsaMapToLocalPerspective(handle, &in, &out), 433u);

    // A reply claiming more entries than it can carry is cut to 16.
    qorsim::Fault bogus;
    bogus.fibCommand = 550;
    bogus.mutateReply = [](std::uint8_t* fib) {
        qorsim::put32(fib, qorsim::kFibHeader + 8 + 136, 5000);
    };
    sim.inject(bogus);
    FSA_BUS_MAP_ENTRY many[40];
    count = 40;
    ASSERT_EQ(FsaGetClusterInfo(handle, nullptr, nullptr, nullptr, nullptr, &count, many),
              FSA_STS_SUCCESS);
    EXPECT_EQ(count, 16u);
}

struct Seen {
    std::vector<std::pair<unsigned, std::string>> calls;
    unsigned stopAfter = 100;
};

FSA_STATUS collectSets(FSA_STATUS status, void* user, FSA_DISK_SET_INFO* info) {
    auto* seen = static_cast<Seen*>(user);
    seen->calls.emplace_back(
        status, info ? reinterpret_cast<const char*>(&info->words[FSA_DSI_LABEL]) : "");
    return seen->calls.size() >= seen->stopAfter ? FSA_STS_FAILURE : FSA_STS_SUCCESS;
}

FSA_STATUS collectMembers(FSA_STATUS status, void* user, FSA_STORAGE_DEVICE* device) {
    auto* seen = static_cast<Seen*>(user);
    seen->calls.emplace_back(status, device ? std::to_string(device->scsi.bus) + ":" +
                                                  std::to_string(device->scsi.target)
                                            : "");
    return FSA_STS_SUCCESS;
}

TEST_F(DiskSetTest, EnumerationSkipsSetsWithoutRecordAndStopsOnRequest) {
    Seen all;
    EXPECT_EQ(FsaEnumDiskSets(handle, nullptr, collectSets, &all), FSA_STS_SUCCESS);
    EXPECT_EQ(all.calls, (std::vector<std::pair<unsigned, std::string>>{{1, "Untitled-1"},
                                                                        {1, "Untitled-3"}}));
    Seen first;
    first.stopAfter = 1;
    EXPECT_EQ(FsaEnumDiskSets(handle, nullptr, collectSets, &first), FSA_STS_FAILURE);
    EXPECT_EQ(first.calls.size(), 1u);

    Seen members;
    FSA_DISK_SET set = key(100, kSelf);
    EXPECT_EQ(FsaEnumDiskSetMembers(handle, &set, collectMembers, &members), FSA_STS_SUCCESS);
    EXPECT_EQ(members.calls,
              (std::vector<std::pair<unsigned, std::string>>{{1, "0:0"}, {10, "0:0"}}));
    Seen none;
    FSA_DISK_SET missing = key(5, 5);
    EXPECT_EQ(FsaEnumDiskSetMembers(handle, &missing, collectMembers, &none), 12u);
    EXPECT_EQ(none.calls, (std::vector<std::pair<unsigned, std::string>>{{12, ""}}));

    EXPECT_EQ(FsaFindDiskSet(handle, &set), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaFindDiskSet(handle, &missing), 425u);
}

TEST_F(DiskSetTest, AnAdapterWithoutSetsReportsOnceAndFails) {
    sim.update(0, [](qorsim::Adapter& a) { a.maint.diskSets.clear(); });
    Seen seen;
    EXPECT_EQ(FsaEnumDiskSets(handle, nullptr, collectSets, &seen), 425u);
    EXPECT_EQ(seen.calls, (std::vector<std::pair<unsigned, std::string>>{{424, ""}}));
    EXPECT_EQ(FsaCheckDupDiskSetName(handle, "any"), FSA_STS_SUCCESS);
}

// A label is free only when every set was read: a set whose record could
// not be read may carry it, and a duplicate label would follow.
TEST_F(DiskSetTest, AnUnreadSetDoesNotClearALabel) {
    struct Case {
        const char* name;
        int cluster;
        bool shortReply; // else the controller refuses
    };
    const Case cases[] = {
        {"all-sets read refused", CL_ALL_SETS, false},
        {"all-sets reply cut short", CL_ALL_SETS, true},
        {"a set's information refused", CL_SET_INFO, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        qorsim::Fault f;
        f.fibCommand = 550;
        f.clusterCommand = c.cluster;
        if (c.shortReply)
            f.mutateReply = [](std::uint8_t* fib) {
                qorsim::put16(fib, qorsim::kSize, 200);
                std::memset(fib + qorsim::kFibHeader + 200, 0,
                            qorsim::kFibBytes - qorsim::kFibHeader - 200);
            };
        else
            f.error = EIO;
        sim.inject(f);
        EXPECT_NE(FsaCheckDupDiskSetName(handle, "fresh"), FSA_STS_SUCCESS);
        sim.clearFaults();
        sim.inject(f);
        FSA_DISK_SET own = key(100, kSelf);
        FSA_DISK_SET_ARGS args{};
        std::strcpy(args.label.label, "Untitled-3"); // another set's label
        EXPECT_NE(FsaDiskSet(handle, &own, FSA_DSO_LABEL, &args), FSA_STS_SUCCESS);
        EXPECT_STRNE(modelSet(100)->label.data(), "Untitled-3");
        sim.clearFaults();
    }
}

TEST_F(DiskSetTest, ACountBeyondTheExternalAreaIsRefused) {
    qorsim::Fault bogus;
    bogus.fibCommand = 550;
    bogus.mutateReply = [](std::uint8_t* fib) {
        if (qorsim::get32(fib, qorsim::kFibHeader + 8 + 268) == 1) // the all-sets record
            qorsim::put32(fib, qorsim::kFibHeader + 8 + 264, 257);
    };
    sim.inject(bogus);
    Seen seen;
    EXPECT_EQ(FsaEnumDiskSets(handle, nullptr, collectSets, &seen), 425u);
    EXPECT_EQ(seen.calls, (std::vector<std::pair<unsigned, std::string>>{{424, ""}}));
}

TEST_F(DiskSetTest, NamesAndLabels) {
    char name[32];
    std::uint32_t size = sizeof name;
    ASSERT_EQ(FsaGetNextDiskSetName(handle, &size, name), FSA_STS_SUCCESS);
    EXPECT_STREQ(name, "Untitled-2");
    EXPECT_EQ(size, 10u);
    size = 11; // prefix length + 3 does not fit
    EXPECT_EQ(FsaGetNextDiskSetName(handle, &size, name), FSA_STS_BUFFER_TOO_SMALL);
    EXPECT_EQ(FsaCheckDupDiskSetName(handle, "Untitled-3"), 511u);
    EXPECT_EQ(FsaCheckDupDiskSetName(handle, "fresh"), FSA_STS_SUCCESS);
}

TEST_F(DiskSetTest, TakeAndReleaseOwnership) {
    FSA_DISK_SET_ARGS args{};
    FSA_DISK_SET own = key(100, kSelf);
    EXPECT_EQ(FsaDiskSet(handle, &own, FSA_DSO_TAKE, &args), FSA_STS_SUCCESS);
    for (std::uint32_t c : clusterCommands())
        EXPECT_TRUE(c == CL_RESCAN || c == CL_SET_INFO) << c; // nothing modified

    FSA_DISK_SET foreign = key(200, kOther);
    EXPECT_EQ(FsaDiskSet(handle, &foreign, FSA_DSO_TAKE, &args), 435u);
    EXPECT_EQ(modelSet(200)->owner, kOther);

    FSA_DISK_SET loose = key(300, kSelf);
    ASSERT_EQ(FsaDiskSet(handle, &loose, FSA_DSO_TAKE, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(modelSet(300)->owner, kSelf);
    EXPECT_EQ(modelSet(300)->generation, 2u);

    // Attached sets are released only unconditionally, detached first.
    ASSERT_EQ(FsaDiskSet(handle, &own, FSA_DSO_ATTACH, nullptr), FSA_STS_SUCCESS);
    FSA_DISK_SET_INFO info;
    ASSERT_EQ(FsaGetDiskSetInfo(handle, &own, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(info.words[FSA_DSI_RELATION], 2u);
    EXPECT_EQ(FsaDiskSet(handle, &own, FSA_DSO_RELEASE, &args), 451u);
    args.ownership.unconditional = 1;
    args.ownership.onPartner = 1; // release ignores it
    ASSERT_EQ(FsaDiskSet(handle, &own, FSA_DSO_RELEASE, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(args.ownership.onPartner, 0u);
    EXPECT_EQ(modelSet(100)->owner, 0u);
    EXPECT_EQ(modelSet(100)->flags & 32, 0u);
    // Releasing a set owned by nobody is done already.
    EXPECT_EQ(FsaDiskSet(handle, &own, FSA_DSO_RELEASE, &args), FSA_STS_SUCCESS);
    // Forcing takes a set whoever holds it.
    EXPECT_EQ(FsaDiskSet(handle, &foreign, FSA_DSO_FORCE, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(modelSet(200)->owner, kSelf);
    // No partner adapter to act on.
    args.ownership.onPartner = 1;
    EXPECT_EQ(FsaDiskSet(handle, &foreign, FSA_DSO_TAKE, &args), FSA_STS_NO_ADAPTER);
}

TEST_F(DiskSetTest, LabelSparePoolAndHostManagement) {
    FSA_DISK_SET own = key(100, kSelf);
    FSA_DISK_SET_ARGS args{};
    std::strcpy(args.label.label, "Untitled-3");
    EXPECT_EQ(FsaDiskSet(handle, &own, FSA_DSO_LABEL, &args), 511u);
    std::strcpy(args.label.label, "payroll");
    ASSERT_EQ(FsaDiskSet(handle, &own, FSA_DSO_LABEL, &args), FSA_STS_SUCCESS);
    EXPECT_STREQ(modelSet(100)->label.data(), "payroll");
    EXPECT_EQ(modelSet(100)->attributes, 1u); // kept

    args = {};
    args.hostManaged.hostManaged = 1;
    ASSERT_EQ(FsaDiskSet(handle, &own, FSA_DSO_HOST_MANAGED, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(modelSet(100)->attributes, 2u);
    EXPECT_STREQ(modelSet(100)->label.data(), "payroll");
    // Host-managed sets refuse changes unless unconditional.
    args = {};
    args.sparePool.sparePool = 1;
    EXPECT_EQ(FsaDiskSet(handle, &own, FSA_DSO_SPARE_POOL, &args), 449u);
    args.sparePool.unconditional = 1;
    ASSERT_EQ(FsaDiskSet(handle, &own, FSA_DSO_SPARE_POOL, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(modelSet(100)->attributes, 1u);

    // Sets of another node are refused; a set owned by nobody too.
    FSA_DISK_SET foreign = key(200, kOther);
    EXPECT_EQ(FsaDiskSet(handle, &foreign, FSA_DSO_SPARE_POOL, &args), 434u);
    FSA_DISK_SET loose = key(300, kSelf);
    EXPECT_EQ(FsaDiskSet(handle, &loose, FSA_DSO_SPARE_POOL, &args), 434u);

    // The parameters export keeps what it is not given.
    EXPECT_EQ(FsaSetDiskSetParameters(handle, &own, nullptr, 3), FSA_STS_BAD_ARGUMENTS);
    EXPECT_EQ(FsaSetDiskSetParameters(handle, &own, nullptr, 0), FSA_STS_SUCCESS);
    ASSERT_EQ(FsaSetDiskSetParameters(handle, &own, "ledger", 0), FSA_STS_SUCCESS);
    EXPECT_STREQ(modelSet(100)->label.data(), "ledger");
    EXPECT_EQ(modelSet(100)->attributes, 1u);
    ASSERT_EQ(FsaSetDiskSetParameters(handle, &own, nullptr, 2), FSA_STS_SUCCESS);
    EXPECT_EQ(modelSet(100)->attributes, 2u);
    EXPECT_STREQ(modelSet(100)->label.data(), "ledger");
    EXPECT_EQ(FsaSetDiskSetParameters(handle, &foreign, "x", 0), 2u);
}

TEST_F(DiskSetTest, AttachAndDetach) {
    FSA_DISK_SET own = key(100, kSelf);
    ASSERT_EQ(FsaDiskSet(handle, &own, FSA_DSO_ATTACH, nullptr), FSA_STS_SUCCESS);
    sim.clearJournal();
    EXPECT_EQ(FsaDiskSet(handle, &own, FSA_DSO_ATTACH, nullptr), FSA_STS_SUCCESS);
    EXPECT_EQ(clusterCommands(), std::vector<std::uint32_t>{CL_SET_INFO}); // already attached
    ASSERT_EQ(FsaDiskSet(handle, &own, FSA_DSO_DETACH, nullptr), FSA_STS_SUCCESS);
    EXPECT_EQ(modelSet(100)->flags & 32, 0u);
    FSA_DISK_SET foreign = key(200, kOther);
    EXPECT_EQ(FsaDiskSet(handle, &foreign, FSA_DSO_ATTACH, nullptr), 435u);
    EXPECT_EQ(FsaDiskSet(handle, &foreign, FSA_DSO_DETACH, nullptr), FSA_STS_SUCCESS); // not here
    sim.update(0, [](qorsim::Adapter& a) {
        a.maint.diskSets[2].flags = 0;
        a.maint.diskSets[2].owner = 0;
    });
    FSA_DISK_SET loose = key(300, kSelf);
    EXPECT_EQ(FsaDiskSet(handle, &loose, FSA_DSO_ATTACH, nullptr), 429u); // neither held nor free
}

TEST_F(DiskSetTest, OperationRefusals) {
    FSA_DISK_SET own = key(100, kSelf);
    FSA_DISK_SET_ARGS args{};
    EXPECT_EQ(FsaDiskSet(handle, &own, 4, &args), FSA_STS_NOT_IMPLEMENTED);
    EXPECT_EQ(FsaDiskSet(handle, &own, 15, &args), FSA_STS_BAD_ARGUMENTS);
    EXPECT_EQ(FsaDiskSet(handle, &own, FSA_DSO_TAKE, nullptr), FSA_STS_BAD_ARGUMENTS);
    EXPECT_EQ(FsaDiskSet(handle, nullptr, FSA_DSO_TAKE, &args), FSA_STS_BAD_ARGUMENTS);
    EXPECT_EQ(FsaDiskSet(nullptr, &own, FSA_DSO_TAKE, &args), FSA_STS_INVALID_HANDLE);
    void* readOnly = open("qor0", FSA_ACC_READ_ONLY);
    EXPECT_EQ(FsaDiskSet(readOnly, &own, FSA_DSO_TAKE, &args), FSA_STS_NEEDS_READ_WRITE);
    EXPECT_EQ(FsaArbitrate(readOnly, &own), FSA_STS_NEEDS_READ_WRITE);
    FsaCloseAdapter(readOnly);
    FSA_DISK_SET missing = key(1, 1);
    EXPECT_EQ(FsaDiskSet(handle, &missing, FSA_DSO_TAKE, &args), 425u);
}

TEST_F(DiskSetTest, OwnershipClaims) {
    FSA_DISK_SET own = key(100, kSelf);
    EXPECT_EQ(FsaArbitrate(handle, &own), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaRelease(handle, &own), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaArbitrate(handle, nullptr), FSA_STS_BAD_ARGUMENTS);
    // The synchronous channel is not implemented on this host.
    EXPECT_EQ(FsaKeepClaimAlive(handle, &own), FSA_STS_NOT_IMPLEMENTED);
    keepalive_synchfib = 0;
    EXPECT_EQ(FsaKeepClaimAlive(handle, &own), FSA_STS_SUCCESS);
    EXPECT_EQ(FsaKeepClaimAlive(nullptr, &own), FSA_STS_INVALID_HANDLE);
    const auto claims = sim.snapshot(0).maint.claims;
    ASSERT_EQ(claims.size(), 3u);
    EXPECT_EQ(claims[0].operation, 1u);
    EXPECT_EQ(claims[1].operation, 2u);
    EXPECT_EQ(claims[2].operation, 3u);
    EXPECT_EQ(claims[2].number, 100u);
}

FSA_STORAGE_DEVICE drive(std::uint8_t bus, std::uint8_t target) {
    FSA_STORAGE_DEVICE d{};
    d.scsi.bus = bus;
    d.scsi.target = target;
    return d;
}

TEST_F(DiskSetTest, CreateFromFreeSharedDrives) {
    FSA_DISK_SET_ARGS args{};
    args.create.memberCount = 1;
    args.create.members[0] = drive(1, 1);
    args.create.members[1] = drive(7, 7); // beyond the count: cleared
    args.create.sparePool = 1;
    std::strcpy(args.create.label, "fresh");
    FSA_DISK_SET set{};
    ASSERT_EQ(FsaDiskSet(handle, &set, FSA_DSO_CREATE, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(args.create.members[1].scsi.bus, 0);
    EXPECT_EQ(set.creator, kSelf);
    const qorsim::DiskSet* made = modelSet(set.number);
    ASSERT_NE(made, nullptr);
    EXPECT_STREQ(made->label.data(), "fresh");
    EXPECT_EQ(made->owner, kSelf);
    EXPECT_EQ(made->attributes, 1u);
    EXPECT_EQ(made->members, std::vector<std::uint32_t>{129});
    EXPECT_EQ(made->number >> 24 & 0xFF, made->stamp >> 24 & 0xFF); // both carry the year
    FSA_DISK_SET_INFO info;
    EXPECT_EQ(FsaGetDiskSetInfo(handle, &set, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(info.words[FSA_DSI_STATE], 1u);
}

TEST_F(DiskSetTest, CreateRefusals) {
    const struct {
        const char* what;
        std::uint32_t count;
        FSA_STORAGE_DEVICE first, second;
        const char* label;
        unsigned status;
    } rows[] = {{"private drive", 1, drive(0, 2), {}, "x", 510},
                {"drive already in a set", 1, drive(0, 0), {}, "x", 428},
                {"drive the controller does not know", 1, drive(1, 5), {}, "x", 428},
                {"shared and private drives", 2, drive(1, 1), drive(0, 2), "x", 510},
                {"label taken", 1, drive(1, 1), {}, "Untitled-1", 511},
                {"no members", 0, {}, {}, "x", 7},
                {"too many members", 65, {}, {}, "x", 24}};
    const std::size_t before = sim.snapshot(0).maint.diskSets.size();
    for (const auto& r : rows) {
        FSA_DISK_SET_ARGS args{};
        args.create.memberCount = r.count;
        args.create.members[0] = r.first;
        args.create.members[1] = r.second;
        std::strcpy(args.create.label, r.label);
        FSA_DISK_SET set{};
        EXPECT_EQ(FsaDiskSet(handle, &set, FSA_DSO_CREATE, &args), r.status) << r.what;
    }
    EXPECT_EQ(sim.snapshot(0).maint.diskSets.size(), before);
}

TEST_F(DiskSetTest, AddAndRemoveDrives) {
    // No container lives on the drives; the container layer's part of the
    // removal has nothing to do.
    FSA_DISK_SET own = key(100, kSelf);
    FSA_DISK_SET_ARGS args{};
    args.add.memberCount = 1;
    args.add.members[0] = drive(0, 2);
    EXPECT_EQ(FsaDiskSet(handle, &own, FSA_DSO_ADD, &args), 429u); // private drive, held set
    args.add.members[0] = drive(1, 1);
    ASSERT_EQ(FsaDiskSet(handle, &own, FSA_DSO_ADD, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(args.add.resultFlags, 0u);
    EXPECT_EQ(modelSet(100)->members, (std::vector<std::uint32_t>{0, 129}));
    EXPECT_EQ(FsaDiskSet(handle, &own, FSA_DSO_ADD, &args), 428u); // already a member
    FSA_DISK_SET foreign = key(200, kOther);
    EXPECT_EQ(FsaDiskSet(handle, &foreign, FSA_DSO_ADD, &args), 434u);

    args = {};
    args.remove.memberCount = 2;
    args.remove.members[0] = drive(0, 0);
    args.remove.members[1] = drive(1, 1);
    EXPECT_EQ(FsaDiskSet(handle, &own, FSA_DSO_REMOVE, &args), 439u); // the last drive stays
    args.remove.memberCount = 3;
    EXPECT_EQ(FsaDiskSet(handle, &own, FSA_DSO_REMOVE, &args), 24u);
    args.remove.memberCount = 1;
    args.remove.members[0] = drive(0, 1); // a drive of another set
    ASSERT_EQ(FsaDiskSet(handle, &own, FSA_DSO_REMOVE, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(args.remove.resultFlags, 4u);
    args.remove.members[0] = drive(1, 1);
    ASSERT_EQ(FsaDiskSet(handle, &own, FSA_DSO_REMOVE, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(args.remove.resultFlags, 0u);
    EXPECT_EQ(modelSet(100)->members, std::vector<std::uint32_t>{0});
}

TEST_F(DiskSetTest, DeleteSets) {
    FSA_DISK_SET_ARGS args{};
    FSA_DISK_SET loose = key(300, kSelf);
    ASSERT_EQ(FsaDiskSet(handle, &loose, FSA_DSO_DELETE, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(modelSet(300), nullptr); // taken first, then deleted
    FSA_DISK_SET foreign = key(200, kOther);
    EXPECT_EQ(FsaDiskSet(handle, &foreign, FSA_DSO_DELETE, &args), 434u);
    // An attached set without containers goes with its detach.
    FSA_DISK_SET own = key(100, kSelf);
    ASSERT_EQ(FsaDiskSet(handle, &own, FSA_DSO_ATTACH, nullptr), FSA_STS_SUCCESS);
    sim.clearJournal();
    ASSERT_EQ(FsaDiskSet(handle, &own, FSA_DSO_DELETE, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(modelSet(100), nullptr);
    const std::vector<std::uint32_t> sent = clusterCommands();
    EXPECT_LT(std::find(sent.begin(), sent.end(), CL_DETACH),
              std::find(sent.begin(), sent.end(), CL_DELETE));
    EXPECT_EQ(FsaDiskSet(handle, &own, FSA_DSO_DELETE, &args), 425u);
}

TEST_F(DiskSetTest, AttachAndDetachWithContainers) {
    FSA_DISK_SET own = key(100, kSelf);
    FSA_DISK_SET_ARGS args{};
    ASSERT_EQ(FsaDiskSet(handle, &own, FSA_DSO_ATTACH_WITH_CONTAINERS, &args), FSA_STS_SUCCESS);
    EXPECT_NE(modelSet(100)->flags & 32, 0u);
    std::vector<std::uint32_t> sent = clusterCommands();
    EXPECT_NE(std::find(sent.begin(), sent.end(), CL_CONTAINERS_ONLINE), sent.end());
    sim.clearJournal();
    EXPECT_EQ(FsaDiskSet(handle, &own, FSA_DSO_ATTACH_WITH_CONTAINERS, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(clusterCommands(), std::vector<std::uint32_t>{CL_SET_INFO}); // attached already
    ASSERT_EQ(FsaDiskSet(handle, &own, FSA_DSO_DETACH_WITH_CONTAINERS, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(modelSet(100)->flags & 32, 0u);
    EXPECT_EQ(FsaDiskSet(handle, &own, FSA_DSO_DETACH_WITH_CONTAINERS, &args), FSA_STS_SUCCESS);

    FSA_DISK_SET foreign = key(200, kOther);
    EXPECT_EQ(FsaDiskSet(handle, &foreign, FSA_DSO_ATTACH_WITH_CONTAINERS, &args), 434u);
    sim.update(0, [](qorsim::Adapter& a) { a.maint.diskSets[0].attributes = 2; });
    EXPECT_EQ(FsaDiskSet(handle, &own, FSA_DSO_ATTACH_WITH_CONTAINERS, &args), 449u);
    args.onlineOffline.unconditional = 1;
    // The controller pauses its I/O to bring the containers in; it is let go.
    qorsim::Fault paused;
    paused.fibCommand = 550;
    paused.mutateReply = [](std::uint8_t* fib) {
        if (qorsim::get32(fib, qorsim::kFibHeader + 8 + 256) == 1) // the containers-online record
            qorsim::put32(fib, qorsim::kFibHeader, 24);
    };
    paused.times = -1;
    sim.inject(paused);
    sim.clearJournal();
    ASSERT_EQ(FsaDiskSet(handle, &own, FSA_DSO_ATTACH_WITH_CONTAINERS, &args), FSA_STS_SUCCESS);
    std::vector<int> ct;
    for (const auto& e : sim.journal())
        if (e.ctCommand == 65 || e.ctCommand == 66)
            ct.push_back(e.ctCommand);
    EXPECT_EQ(ct, (std::vector<int>{65, 66}));
}

TEST_F(DiskSetTest, SetAttributesBringsASetToTheWantedState) {
    FSA_DISK_SET own = key(100, kSelf);
    FSA_DISK_SET_INFO wanted;
    ASSERT_EQ(FsaGetDiskSetInfo(handle, &own, &wanted), FSA_STS_SUCCESS);
    wanted.words[FSA_DSI_OWNER] = 0; // this node
    wanted.words[FSA_DSI_SPARE_POOL] = 0;
    wanted.words[FSA_DSI_RELATION] = 2;
    std::strcpy(reinterpret_cast<char*>(&wanted.words[FSA_DSI_LABEL]), "archive");
    ASSERT_EQ(FsaDiskSetSetAttributes(handle, &own, &wanted, 0), FSA_STS_SUCCESS);
    EXPECT_EQ(DS_InfoOwner(wanted), kSelf);
    EXPECT_STREQ(modelSet(100)->label.data(), "archive");
    EXPECT_EQ(modelSet(100)->attributes, 0u);
    EXPECT_NE(modelSet(100)->flags & 32, 0u);

    // Nobody: detached, then released; a taken label is the final answer.
    ASSERT_EQ(FsaGetDiskSetInfo(handle, &own, &wanted), FSA_STS_SUCCESS);
    wanted.words[FSA_DSI_OWNER] = 2;
    wanted.words[FSA_DSI_RELATION] = 0;
    std::strcpy(reinterpret_cast<char*>(&wanted.words[FSA_DSI_LABEL]), "Untitled-3");
    EXPECT_EQ(FsaDiskSetSetAttributes(handle, &own, &wanted, 0), 511u);
    EXPECT_EQ(modelSet(100)->owner, 0u);
    EXPECT_EQ(modelSet(100)->flags & 32, 0u);
    EXPECT_STREQ(modelSet(100)->label.data(), "archive");

    wanted.words[FSA_DSI_OWNER] = 1; // no partner
    EXPECT_EQ(FsaDiskSetSetAttributes(handle, &own, &wanted, 0), 2u);
    wanted.words[FSA_DSI_OWNER] = 5;
    EXPECT_EQ(FsaDiskSetSetAttributes(handle, &own, &wanted, 0), 434u);
    EXPECT_EQ(FsaDiskSetSetAttributes(handle, nullptr, &wanted, 0), FSA_STS_BAD_ARGUMENTS);
}

// The state word callers read, from the record's flags: the held flag wins,
// then the no-set flag; a record with neither is on both kinds of channel.
// The values are those of the information callers already store.
TEST(DiskSetState, FollowsTheRecordFlags) {
    const struct {
        std::uint32_t flags;
        FSA_DISK_SET_STATE state;
        std::uint32_t word;
    } cases[] = {
        {DS_FLAG_HELD, FSA_DSS_HELD, 1},
        {DS_FLAG_HELD | DS_FLAG_NO_SET | DS_FLAG_ATTACHED, FSA_DSS_HELD, 1},
        {DS_FLAG_NO_SET, FSA_DSS_UNHELD, 2},
        {DS_FLAG_NO_SET | DS_FLAG_MIXED, FSA_DSS_UNHELD, 2},
        {0, FSA_DSS_MIXED, 3},
        {DS_FLAG_MIXED | DS_FLAG_ATTACHED, FSA_DSS_MIXED, 3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.flags);
        DS_RECORD r{};
        r.flags = c.flags;
        EXPECT_EQ(DS_StateOf(r), c.state);
        EXPECT_EQ(static_cast<std::uint32_t>(DS_StateOf(r)), c.word);
    }
    EXPECT_EQ(static_cast<std::uint32_t>(FSA_DSS_NO_SET), 0u);
}

} // namespace
