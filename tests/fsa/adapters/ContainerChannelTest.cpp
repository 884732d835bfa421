#include "SimFixture.h"

#include "CtChannel.h"
#include "CtWrappers.h"
#include "HandleTable.h"
#include "OsLayer.h"

#include <cstring>
#include <fstream>
#include <numeric>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using fsatest::OpenAdapterTest;

// A container sub-command whose reply data is `n` bytes counting up.
void answerWith(qorsim::Simulator& sim, std::uint32_t command, std::size_t n,
                std::uint32_t word0 = 77) {
    sim.registerContainer(command, [n, word0](qorsim::CtRequest& c) {
        c.data.resize(n);
        std::iota(c.data.begin(), c.data.end(), std::uint8_t(1));
        c.reply[0] = word0;
        c.reply[1] = 11;
        c.reply[2] = 22;
    });
}

class ChannelTest : public OpenAdapterTest {
protected:
    void SetUp() override {
        OpenAdapterTest::SetUp();
        ctx = UtilGetContextFromHandle(handle).get();
        sim.clearJournal();
    }
    std::vector<int> sentCommands() {
        std::vector<int> out;
        for (const auto& e : sim.journal())
            if (e.ctCommand >= 0)
                out.push_back(e.ctCommand);
        return out;
    }
    FSAAPI_CONTEXT* ctx = nullptr;
};

TEST_F(ChannelTest, ShortReplyNeedsNoContinuation) {
    answerWith(sim, 200, 432);
    std::vector<std::uint8_t> out(432);
    std::uint32_t p0 = 5, p1 = 6, p2 = 7;
    EXPECT_EQ(CT_SendReceiveFIB(ctx, 200, &p0, &p1, &p2, nullptr, 0, out.data(), 432, 0),
              FSA_STS_SUCCESS);
    EXPECT_EQ(p0, 77u);
    EXPECT_EQ(p1, 11u);
    EXPECT_EQ(p2, 22u);
    EXPECT_EQ(out[431], std::uint8_t(432));
    EXPECT_EQ(sentCommands(), std::vector<int>{200});
}

TEST_F(ChannelTest, LongReplyComesInPieces) {
    answerWith(sim, 200, 865);
    std::vector<std::uint8_t> out(865);
    std::uint32_t p0 = 0, p1 = 6, p2 = 7;
    EXPECT_EQ(CT_SendReceiveFIB(ctx, 200, &p0, &p1, &p2, nullptr, 0, out.data(), 865, 0),
              FSA_STS_SUCCESS);
    EXPECT_EQ(p0, 77u);
    EXPECT_EQ(p1, 6u); // untouched after a good stop
    EXPECT_EQ(p2, 7u);
    std::vector<std::uint8_t> expected(865);
    std::iota(expected.begin(), expected.end(), std::uint8_t(1));
    EXPECT_EQ(out, expected);
    EXPECT_EQ(sentCommands(), (std::vector<int>{200, 83, 83, 83, 84}));
    std::vector<std::uint32_t> pieces;
    for (const auto& e : sim.journal())
        if (e.ctCommand == 83)
            pieces.push_back(qorsim::get32(e.fib.data(), qorsim::kFibHeader + 24));
    EXPECT_EQ(pieces, (std::vector<std::uint32_t>{0, 1, 2}));
}

TEST_F(ChannelTest, ContinuationOfNothingGoesStraightToStop) {
    answerWith(sim, 200, 4);
    qorsim::Fault fault;
    fault.ctCommand = 200;
    fault.mutateReply = [](std::uint8_t* fib) {
        qorsim::put32(fib, qorsim::kFibHeader + 8, 201);
        qorsim::put32(fib, qorsim::kFibHeader + 12, 0);
        qorsim::put32(fib, qorsim::kFibHeader + 20, 999);
    };
    sim.inject(fault);
    std::uint32_t p0 = 0;
    std::uint8_t out[8] = {};
    EXPECT_EQ(CT_SendReceiveFIB(ctx, 200, &p0, nullptr, nullptr, nullptr, 0, out, sizeof out, 0),
              FSA_STS_SUCCESS);
    EXPECT_EQ(sentCommands(), (std::vector<int>{200, 84}));
    EXPECT_EQ(p0, 199u); // the stop reply's own words: the handle was unknown
}

// A piece or a stop the controller refuses, or does not serve at all
// (reply word 0), fails the read (6, not 37, which callers take for an
// unknown sub-command): a reply with a hole in it would make a table look
// emptier than it is. A refused piece still releases the reply on the
// controller.
TEST_F(ChannelTest, RefusedPiecesFailTheRead) {
    constexpr int kServed = 0, kAnswer = 2; // the reply words replaced
    struct Case {
        const char* name;
        int command; // the sub-command whose answer is replaced
        int skip;    // answers of it let through first
        int word;
        std::uint32_t answer;
        std::vector<int> sent;
    };
    const Case cases[] = {
        {"first piece refused", 83, 0, kAnswer, 219, {200, 83, 84}},
        {"second piece with a generic error", 83, 1, kAnswer, 226, {200, 83, 83, 84}},
        {"piece of an unknown reply", 83, 0, kAnswer, 199, {200, 83, 84}},
        {"stop refused", 84, 0, kAnswer, 219, {200, 83, 83, 83, 84}},
        {"first piece not served", 83, 0, kServed, 1, {200, 83, 84}},
        {"third piece not served", 83, 2, kServed, 1, {200, 83, 83, 83, 84}},
        {"stop not served", 84, 0, kServed, 1, {200, 83, 83, 83, 84}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answerWith(sim, 200, 865);
        sim.clearJournal();
        qorsim::Fault refused;
        refused.ctCommand = c.command;
        refused.skip = c.skip;
        refused.times = 1;
        const std::uint32_t answer = c.answer;
        const std::size_t at = qorsim::kFibHeader + 4 * static_cast<std::size_t>(c.word);
        refused.mutateReply = [answer, at](std::uint8_t* fib) { qorsim::put32(fib, at, answer); };
        sim.inject(refused);
        std::vector<std::uint8_t> out(865);
        std::uint32_t p0 = 0;
        EXPECT_EQ(
            CT_SendReceiveFIB(ctx, 200, &p0, nullptr, nullptr, nullptr, 0, out.data(), 865, 0),
            FSA_STS_FAILURE);
        EXPECT_EQ(sentCommands(), c.sent);
        sim.clearFaults();
    }
}

// Either generic refusal of the slice record fails the read with 39 instead
// of describing a disk of type 0.
TEST_F(ChannelTest, ARefusedSliceRecordIsNoDisk) {
    sim.update(0, [](qorsim::Adapter& a) { a.slices.resize(1); });
    std::uint32_t size = 0, b = 0, c = 0, d = 0, type = 0;
    CT_GetSliceInfo(ctx, 0, &size, &b, &c, &d, nullptr, &type);
    ASSERT_NE(size, 0u); // a disk is there
    for (const std::uint32_t answer : {219u, 226u}) {
        SCOPED_TRACE(answer);
        qorsim::Fault refused;
        refused.ctCommand = 63;
        refused.mutateReply = [answer](std::uint8_t* fib) {
            qorsim::put32(fib, qorsim::kFibHeader + 8, answer);
        };
        sim.inject(refused);
        try {
            CT_GetSliceInfo(ctx, 0, &size, &b, &c, &d, nullptr, &type);
            ADD_FAILURE() << "no status thrown";
        } catch (FSA_STATUS s) {
            EXPECT_EQ(s, FSA_STATUS(39));
        }
        sim.clearFaults();
    }
}

TEST_F(ChannelTest, ChannelStatuses) {
    answerWith(sim, 200, 16);
    std::uint8_t big[433] = {};
    EXPECT_EQ(CT_SendReceiveFIB(ctx, 200, nullptr, nullptr, nullptr, big, 433, nullptr, 0, 0),
              FSA_STS_CT_PACKET_TOO_LARGE);
    EXPECT_TRUE(sentCommands().empty());
    EXPECT_EQ(CT_SendReceiveFIB(ctx, 200, nullptr, nullptr, nullptr, nullptr, 0, big, 433, 0),
              FSA_STS_CT_PACKET_TOO_LARGE);
    EXPECT_EQ(CT_SendReceiveFIB(ctx, 201, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0, 0),
              FSA_STS_CT_BAD_RESPONSE); // sub-command the controller does not know
    qorsim::Fault wrongEcho;
    wrongEcho.ctCommand = 200;
    wrongEcho.mutateReply = [](std::uint8_t* fib) {
        qorsim::put32(fib, qorsim::kFibHeader + 4, 12);
    };
    sim.inject(wrongEcho);
    EXPECT_EQ(CT_SendReceiveFIB(ctx, 200, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0, 0),
              FSA_STS_CT_WRONG_RESPONSE);
    qorsim::Fault broken;
    broken.ctCommand = 200;
    broken.error = EIO;
    sim.inject(broken);
    EXPECT_THROW(CT_SendReceiveFIB(ctx, 200, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0, 1),
                 FSA_STATUS);
}

TEST_F(ChannelTest, AnnouncedLengthBeyondTheBufferIsRefused) {
    answerWith(sim, 200, 2000);
    std::vector<std::uint8_t> out(900);
    EXPECT_EQ(
        CT_SendReceiveFIB(ctx, 200, nullptr, nullptr, nullptr, nullptr, 0, out.data(), 900, 0),
        FSA_STS_CT_PACKET_TOO_LARGE);
    EXPECT_EQ(sentCommands(), (std::vector<int>{200, 84}));
}

TEST_F(ChannelTest, OldContainerRecordIsConvertedWhenTheNewCommandIsUnknown) {
    sim.registerContainer(178, [](qorsim::CtRequest& c) { c.accepted = false; }); // older firmware
    sim.registerContainer(5, [](qorsim::CtRequest& c) {
        c.data.assign(452, 0);
        std::uint32_t w[36] = {};
        w[0] = 2;     // members
        w[1] = 0x11;  // word 1
        w[2] = 0x22;  // -> word 3
        w[3] = 40;    // first member entry
        w[34] = 41;   // 32nd member entry
        w[35] = 0x33; // -> word 4
        std::memcpy(c.data.data(), w, sizeof w);
        c.data[144] = 0xAB;
        c.reply[0] = 2; // container type
    });
    cttype record;
    std::memset(&record, 0xFF, sizeof record);
    std::uint32_t type = 0;
    EXPECT_EQ(CT_GetContainer(ctx, 3, &record, &type), 1);
    EXPECT_EQ(type, 2u);
    EXPECT_EQ(record.memberCount, 2u);
    EXPECT_EQ(record.words[0], 0x11u);
    EXPECT_EQ(record.words[1], 0u);
    EXPECT_EQ(record.words[2], 0x22u);
    EXPECT_EQ(record.words[3], 0x33u);
    EXPECT_EQ(record.members[0], 40u);
    EXPECT_EQ(record.members[31], 41u);
    EXPECT_EQ(record.members[32], 0u);
    EXPECT_EQ(record.members[127], 0u);
    EXPECT_EQ(record.tail[0], 0xAB);
}

TEST_F(ChannelTest, WrappersThrowTheirOwnStatus) {
    const struct {
        std::uint32_t command;
        std::size_t replyBytes;
        std::uint32_t ctStatus;
        void (*call)(FSAAPI_CONTEXT*);
        std::uint32_t expected;
    } cases[] = {
        {73, 288, 1,
         [](FSAAPI_CONTEXT* c) {
             std::uint32_t p[72];
             CT_ContainerParams(c, p);
         },
         117},
        {87, 40, 1,
         [](FSAAPI_CONTEXT* c) {
             std::uint32_t m[10];
             CT_GetMiscStatus(c, m);
         },
         118},
        {105, 0, 3, [](FSAAPI_CONTEXT* c) { CT_RemoveSnapshot(c, 1); }, 42},
        {105, 0, 9, [](FSAAPI_CONTEXT* c) { CT_RemoveSnapshot(c, 1); }, 184},
        {106, 0, 1, [](FSAAPI_CONTEXT* c) { CT_WriteUserFlags(c, 1, 2); }, 182},
        {117, 0, 1, [](FSAAPI_CONTEXT* c) { CT_ForceDump(c); }, 291},
        {125, 0, 1, [](FSAAPI_CONTEXT* c) { CT_StopDumps(c); }, 295},
        {95, 65536, 1,
         [](FSAAPI_CONTEXT* c) {
             std::vector<std::uint8_t> n(65536);
             CT_GetNvram(c, n.data());
         },
         161},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        answerWith(sim, c.command, c.replyBytes, c.ctStatus);
        try {
            c.call(ctx);
            ADD_FAILURE() << "no status thrown";
        } catch (FSA_STATUS s) {
            EXPECT_EQ(s, c.expected);
        }
    }
}

TEST_F(ChannelTest, SmallWrapperResults) {
    answerWith(sim, 123, 0, 0);
    EXPECT_EQ(CT_GetDumpSize(ctx), 128u);
    answerWith(sim, 123, 0, 0x10000);
    EXPECT_EQ(CT_GetDumpSize(ctx), 256u);
    EXPECT_STREQ(CT_StatusName(307), "CT_TOMANY_PARTITIONS");
    EXPECT_EQ(CT_StatusName(308), nullptr);
    EXPECT_EQ(CT_StatusName(-1), nullptr);
    std::uint16_t flags = 0;
    sim.registerContainer(107, [](qorsim::CtRequest& c) {
        c.reply[0] = 237;
        c.reply[1] = 0x12345;
    });
    CT_ReadUserFlags(ctx, 4, &flags);
    EXPECT_EQ(flags, 0x2345);
}

TEST_F(ChannelTest, ConfigurationDumpHoldsHeaderNvramAndSlices) {
    sim.update(0, [](qorsim::Adapter& a) {
        a.slices.resize(2);
        a.slices[1].data = std::vector<std::uint8_t>(70000, 0x5A);
        a.nvram[0] = 0xC3;
    });
    const char* path = "/tmp/config.dump";
    faos_MiscDumpConfigData(ctx, path);
    std::ifstream in(path, std::ios::binary);
    std::vector<char> dump((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(dump.size(), (2u * 128 + 17) * 512);
    EXPECT_EQ(dump[0], 2);
    EXPECT_EQ(static_cast<std::uint8_t>(dump[4]), 0x34); // serial 4660 = 0x1234
    EXPECT_EQ(static_cast<std::uint8_t>(dump[512]), 0xC3);
    EXPECT_EQ(dump[8704], 0);
    EXPECT_EQ(dump[8704 + 65536], 0x5A);
    EXPECT_EQ(dump[8704 + 2 * 65536 - 1], 0x5A);
}

TEST_F(ChannelTest, AdapterMemoryIsReadInPiecesOf512) {
    std::vector<std::uint32_t> addresses;
    sim.registerContainer(96, [&addresses](qorsim::CtRequest& c) {
        addresses.push_back(c.param[0]);
        c.data.assign(c.replyCapacity, static_cast<std::uint8_t>(c.param[0] >> 9));
        c.reply[0] = 214;
    });
    const char* path = "/tmp/memory.dump";
    ::unlink(path);
    EXPECT_EQ(FsaReadAdapterMemory(handle, 0x1000, 1025, 0, path), FSA_STS_SUCCESS);
    EXPECT_EQ(addresses, (std::vector<std::uint32_t>{0x1000, 0x1200, 0x1400}));
    struct stat st;
    ASSERT_EQ(::stat(path, &st), 0);
    EXPECT_EQ(st.st_size, 1025);
    EXPECT_EQ(FsaReadAdapterMemory(handle, 0, 16, 0, path), FSA_STATUS(414));
    EXPECT_EQ(FsaReadAdapterMemory(handle, 0, 16, 1, "/nonexistent/dir/file"), FSA_STATUS(415));
    answerWith(sim, 96, 16, 1);
    EXPECT_EQ(FsaReadAdapterMemory(handle, 0, 16, 1, path), FSA_STS_FAILURE);
}

TEST_F(ChannelTest, HostDiskQueries) {
    sim.update(0, [](qorsim::Adapter& a) {
        a.hostDisks[0] = qorsim::HostDisk{2, 0, 5, 0, true, false, false, false, "sdb"};
        a.hostDisks[1] = qorsim::HostDisk{-1, 0, 1, 0, true, true, false, false, "sdc"};
        a.hostDisks[2] = qorsim::HostDisk{0, 0, 2, 0, true, false, true, false, "sdd"};
        a.hostDisks[3] = qorsim::HostDisk{0, 0, 3, 0, true, false, false, true, "0123456789"};
    });
    EXPECT_EQ(faos_CtrGetUsage(ctx, 0), 12u);
    EXPECT_EQ(faos_CtrGetUsage(ctx, 1), 13u);
    EXPECT_EQ(faos_CtrGetUsage(ctx, 2), 14u);
    EXPECT_EQ(faos_CtrGetUsage(ctx, 3), 16u);
    EXPECT_EQ(faos_CtrGetUsage(ctx, 4), 0u); // above the highest container
    int instance, bus, target, lun;
    char name[16];
    faux_CtrGetInstanceBusTargetLunAndDiskDeviceName(ctx, 1, &instance, &bus, &target, &lun, name);
    EXPECT_EQ(instance, 99);
    char special[64];
    faos_ContainerSpecialFile(ctx, special, 0, 0);
    EXPECT_STREQ(special, "/dev/sdb");
    faos_ContainerSpecialFile(ctx, special, 0, 3);
    EXPECT_STREQ(special, "/dev/012345678"); // a full name field is cut, not overrun
    faos_ContainerSpecialFile(ctx, special, 0, 24);
    EXPECT_STREQ(special, "");
}

} // namespace

namespace {

class ModelTest : public fsatest::SimTest {
protected:
    std::string config() const override {
        return R"({"adapters": [{"index": 0, "serial": 9, "scsiMethod": 4,
          "slices": [{"size": 1000, "drive": 130, "type": 6}, {"size": 500, "drive": 131, "type": 3, "mbr": false}],
          "partitions": [[1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0], [11, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1], [21, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0]],
          "containers": {"count": 2, "list": [{"number": 0, "type": 2, "members": [0, 2], "flags": 5},
                                              {"number": 1, "type": 5, "members": [1]}]},
          "configAge": 41, "lastDrive": 3, "coreDumpBytes": 131072}]})";
    }
};

TEST_F(ModelTest, WrappersReadTheConfigurationRecords) {
    void* h = open();
    FSAAPI_CONTEXT* ctx = UtilGetContextFromHandle(h).get();
    EXPECT_EQ(CT_GetSliceCount(ctx), 2u);
    EXPECT_EQ(CT_GetPartitionTableSize(ctx), 3u);
    EXPECT_EQ(CT_GetSliceSize(ctx, 1), 500u);
    EXPECT_EQ(CT_ReadLastDrive(ctx), 3u);
    EXPECT_EQ(CT_GetConfigAge(ctx), 41u);
    EXPECT_EQ(CT_SetConfigAge(ctx, 50), FSA_STS_SUCCESS);
    EXPECT_EQ(CT_GetConfigAge(ctx), 50u);
    EXPECT_EQ(CT_GetDumpSize(ctx), (131072u + 0x10000) / 512);
    EXPECT_EQ(CT_MbrExists(ctx, 0), 1);
    EXPECT_EQ(CT_MbrExists(ctx, 1), 0);
    EXPECT_EQ(CT_MbrExists(ctx, 7), 2); // no such disk
    std::uint32_t a, b, c, d, e, type;
    CT_GetSliceInfo(ctx, 1, &a, &b, &c, &d, &e, &type);
    EXPECT_EQ(a, 372u);
    EXPECT_EQ(d, 131u);
    EXPECT_EQ(type, 3u);

    std::uint8_t partition[CT_PARTITION_BYTES];
    CT_GetPartitionInMemory(ctx, 1, partition);
    EXPECT_EQ(partition[0], 11);
    EXPECT_THROW(CT_GetPartitionInMemory(ctx, 7, partition), FSA_STATUS);
    std::vector<std::uint8_t> table(3 * CT_PARTITION_BYTES);
    CT_GetPartitionsInMemory(ctx, table.data(),
                             static_cast<std::uint32_t>(table.size())); // continued: 480 bytes
    EXPECT_EQ(table[2 * CT_PARTITION_BYTES], 21);
    std::vector<std::uint8_t> onDisk(2 * CT_PARTITION_BYTES);
    CT_GetDiskPartitions(ctx, 0, onDisk.data(), 2);
    EXPECT_EQ(onDisk[0], 1);
    EXPECT_EQ(onDisk[CT_PARTITION_BYTES], 21);
    EXPECT_EQ(CT_GetPartitionOnDisk(ctx, 0, 1, partition), FSA_STS_SUCCESS);
    EXPECT_EQ(partition[0], 21);

    cttype record;
    std::uint32_t ctrType = 0;
    EXPECT_EQ(CT_GetContainer(ctx, 0, &record, &ctrType), 1);
    EXPECT_EQ(ctrType, 2u);
    EXPECT_EQ(record.memberCount, 2u);
    EXPECT_EQ(record.members[1], 2u);
    EXPECT_EQ(CT_GetContainer(ctx, 7, &record, &ctrType), 0);
    EXPECT_EQ(CT_CheckConflicts(ctx, 1), 1u);
    EXPECT_EQ(CT_CheckConflicts(ctx, 9), 0u);

    std::uint16_t flags = 0;
    CT_SetDumpContainerFlag(ctx, 0);
    CT_ReadUserFlags(ctx, 0, &flags);
    EXPECT_EQ(flags, 0x7);
    EXPECT_THROW(CT_WriteUserFlags(ctx, 9, 1), FSA_STATUS);
    CT_RemoveSnapshot(ctx, 1);
    EXPECT_EQ(CT_CheckConflicts(ctx, 1), 0u); // the snapshot is gone

    int isThisDrive = 0;
    EXPECT_EQ(CT_GetSliceFromDriveHandle(ctx, 131, 1, &isThisDrive), 1);
    EXPECT_EQ(isThisDrive, 1);
    EXPECT_EQ(CT_GetSliceFromDriveHandle(ctx, 200, 0, &isThisDrive), -1);
    EXPECT_THROW(CT_GetSliceFromDriveHandle(ctx, 200, 1, nullptr), FSA_STATUS);
    CT_SetDumpContainer(ctx, 1);
    EXPECT_EQ(sim.snapshot(0).dumpContainer, 1u);
    FsaCloseAdapter(h);
}

} // namespace
