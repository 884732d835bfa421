// Disk sets across the local adapters: host information, the adapter that
// holds a set, and the change events other clients receive.
#include "SimFixture.h"

#include <cstring>
#include <unistd.h>

namespace {

const char* kConfig = R"({"adapters": [
  {"index": 0, "serial": 4660,
   "diskSets": [{"number": 100, "creator": 4660, "owner": 4660, "flags": 4},
                {"number": 300, "creator": 4660, "owner": 4661, "flags": 4}]},
  {"index": 1, "serial": 4661,
   "diskSets": [{"number": 300, "creator": 4660, "owner": 4661, "flags": 4}]}]})";

class DiskSetHostTest : public fsatest::SimTest {
protected:
    std::string config() const override { return kConfig; }
};

FSA_DISK_SET key(std::uint64_t number, std::uint64_t creator) {
    FSA_DISK_SET s{};
    s.number = number;
    s.creator = creator;
    return s;
}

TEST_F(DiskSetHostTest, EveryAdapterLearnsTheHostName) {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    host[51] = '\0';
    EXPECT_EQ(FsaSendHostInfoToAdapters(), 1);
    EXPECT_EQ(sim.snapshot(0).maint.hostInfo, host);
    EXPECT_EQ(sim.snapshot(1).maint.hostInfo, host);
    qorsim::Fault refused;
    refused.fibCommand = 550;
    refused.adapter = 1;
    refused.mutateReply = [](std::uint8_t* fib) { qorsim::put32(fib, qorsim::kFibHeader, 99); };
    refused.times = -1;
    sim.inject(refused);
    EXPECT_EQ(FsaSendHostInfoToAdapters(), 0);
}

TEST_F(DiskSetHostTest, TheAdapterHoldingASet) {
    FSA_DISK_SET one = key(100, 4660);
    void* handle = nullptr;
    char name[16];
    ASSERT_EQ(FsaGetAdapterNamebyDiskSet(&one, &handle, name), FSA_STS_SUCCESS);
    EXPECT_STREQ(name, "qor0");
    FSA_GENERAL_INFO info;
    FsaGetGeneralInformation(handle, &info);
    EXPECT_EQ(info.accessMode, FSA_RZC_CLUSTER_MANAGER);
    EXPECT_EQ(FsaCloseAdapter(handle), FSA_STS_SUCCESS);
    FSA_DISK_SET both = key(300, 4660);
    EXPECT_EQ(FsaGetAdapterNamebyDiskSet(&both, &handle, name), 545u);
    FSA_DISK_SET none = key(5, 5);
    EXPECT_EQ(FsaGetAdapterNamebyDiskSet(&none, &handle, name), FSA_STS_NO_ADAPTER);
    EXPECT_EQ(sim.openNodeCount(), 0u); // every adapter closed again
}

TEST_F(DiskSetHostTest, ChangeEventsReachOtherClients) {
    void* handle = open();
    void* poller = open("qor0", FSA_ACC_LL_READ_ONLY);
    std::uint8_t first[328];
    EXPECT_EQ(FsaPollForEvent(poller, sizeof first, first), 336u); // opens its channel, nothing yet
    ASSERT_EQ(FsaSendAifDSStartEvent(handle), FSA_STS_SUCCESS);
    ASSERT_EQ(FsaSendAifDSFinishEvent(handle), FSA_STS_SUCCESS);
    for (std::uint32_t what : {13u, 14u}) {
        std::uint8_t record[328];
        ASSERT_EQ(FsaPollForEvent(poller, sizeof record, record), FSA_STS_SUCCESS);
        std::uint32_t words[10];
        std::memcpy(words, record, sizeof words);
        EXPECT_EQ(words[0], 0x400000u);
        std::uint32_t details[10];
        std::memcpy(details, record + 8, sizeof details); // after the bit and its word
        EXPECT_EQ(details[8], what);
        EXPECT_EQ(details[9], 4660u);
    }
    EXPECT_EQ(FsaSendAifDSStartEvent(nullptr), FSA_STS_INVALID_HANDLE);
    FsaCloseAdapter(poller);
    FsaCloseAdapter(handle);
}

} // namespace
