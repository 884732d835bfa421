// The container table of the diagnostic text dump, and its place among the
// dump's sections.
#include "HandleTable.h"
#include "SimFixture.h"
#include "TextDump.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

namespace {

// Slices on drives 0:0:0, 0:1:0 and 1:a:0. Containers: 0 a locked volume,
// 1 a stripe, 2 a RAID-5 set, 3 a volume of the mirrors 4 and 5, 6 a
// read-write snapshot without members.
const char* kConfig = R"({"adapters": [{"index": 0, "serial": 4660,
  "containers": {"count": 8, "list": [
    {"number": 0, "type": 1, "members": [1], "stateFlags": 2147483648},
    {"number": 1, "type": 3, "members": [2, 3]},
    {"number": 2, "type": 4, "members": [4, 5, 6]},
    {"number": 3, "type": 1, "members": [7, 8], "words": {"1": 2000}},
    {"number": 4, "type": 2, "members": [9, 10]},
    {"number": 5, "type": 2, "members": [11, 12]},
    {"number": 6, "type": 5, "snapshotLinks": [6, 7, 0], "words": {"1": 20480, "138": 1}}]},
  "slices": [{"size": 100000, "drive": 0}, {"size": 100000, "drive": 1},
             {"size": 100000, "drive": 138}],
  "partitions": [{"start": 0, "slice": 99},
    {"start": 128, "size": 2048, "serial": 4660, "slice": 0, "l0Type": 1, "l0Number": 0,
     "flags": 1, "creator": 7, "stampExtra": 1, "stampYear": 126, "stampDate": 38093996,
     "creatorSerial": 1125912791875585},
    {"start": 2176, "size": 4096, "serial": 4660, "slice": 1, "l0Type": 3, "l0Number": 1, "flags": 1},
    {"start": 2176, "size": 4096, "serial": 4660, "slice": 2, "l0Type": 3, "l0Number": 1,
     "memberIndex": 1, "flags": 1},
    {"start": 10000, "size": 3000, "serial": 4660, "slice": 0, "l0Type": 4, "l0Number": 2, "flags": 1},
    {"start": 10000, "size": 3000, "serial": 4660, "slice": 1, "l0Type": 4, "l0Number": 2,
     "memberIndex": 1, "flags": 1, "r5Flags": 321},
    {"start": 10000, "size": 3000, "serial": 4660, "slice": 2, "l0Type": 4, "l0Number": 2,
     "memberIndex": 2, "flags": 1},
    {"start": 0, "size": 0, "serial": 4660, "slice": 0, "l0Type": 2, "l0Number": 4, "flags": 1},
    {"start": 0, "size": 0, "serial": 4660, "slice": 0, "l0Type": 2, "l0Number": 5, "flags": 1},
    {"start": 20000, "size": 1000, "serial": 4660, "slice": 0, "l0Type": 2, "l0Number": 4, "flags": 1},
    {"start": 20000, "size": 1000, "serial": 4660, "slice": 1, "l0Type": 2, "l0Number": 4,
     "memberIndex": 1, "flags": 1},
    {"start": 20000, "size": 1000, "serial": 4660, "slice": 2, "l0Type": 2, "l0Number": 5, "flags": 1},
    {"start": 21000, "size": 1000, "serial": 4660, "slice": 0, "l0Type": 2, "l0Number": 5,
     "memberIndex": 1, "flags": 1}],
  "historyLast": ["boot ok\n"]}]})";

const char* kTable = "               TOTAL        FSA         CHUNK  SCSI       PARTI              "
                     "                                SLICE         USER\n"
                     "CONTR TYPE     SIZE   PROT  LOCK SIZE   SIZE  B:T:L SLICE TION  DATE     "
                     "TIME     SERIAL NUMBER       BN   A OFFSET     R5 FLAG\n"
                     "----- ------  ------- ----  ---- -----  ----- ----- ----- ----- -------- "
                     "-------- ------------------- ---- - ---------- ---------- -- ----\n"
                     "0     VOLUME  1024KB       YES              1024KB 0:0:0   0     1   "
                     "12/10/26 17: 5: 9 0004-0003-0002-0001 0007 1 0x00000080    0001\n"
                     "\n"
                     "1     STRIPE     4MB       NO    0KB           2MB 0:1:0   1     2    0/ "
                     "0/00  0: 0: 0 0000-0000-0000-0000 0000 0 0x00000880    0001\n"
                     "                                          2MB 1:a:0   2     3    0/ 0/00  0: "
                     "0: 0 0000-0000-0000-0000 0000 0 0x00000880    0001\n"
                     "\n"
                     "2      RAID5   2.9MB       NO    0KB         1.5MB 0:0:0   0     4    0/ "
                     "0/00  0: 0: 0 0000-0000-0000-0000 0000 0 0x00002710 00 0001\n"
                     "                                        1.5MB 0:1:0   1     5    0/ 0/00  0: "
                     "0: 0 0000-0000-0000-0000 0000 0 0x00002710 41 0001\n"
                     "                                        1.5MB 1:a:0   2     6    0/ 0/00  0: "
                     "0: 0 0000-0000-0000-0000 0000 0 0x00002710 00 0001\n"
                     "\n"
                     "3     VOLUME  1000KB       NO               4  MIRROR   500KB  NO          \n"
                     "                                        500KB 0:0:0   0     9    0/ 0/00  0: "
                     "0: 0 0000-0000-0000-0000 0000 0 0x00004e20    0001\n"
                     "                                        500KB 0:1:0   1    10    0/ 0/00  0: "
                     "0: 0 0000-0000-0000-0000 0000 0 0x00004e20    0001\n"
                     "                                       5  MIRROR   500KB  NO          \n"
                     "                                        500KB 1:a:0   2    11    0/ 0/00  0: "
                     "0: 0 0000-0000-0000-0000 0000 0 0x00004e20    0001\n"
                     "                                        500KB 0:0:0   0    12    0/ 0/00  0: "
                     "0: 0 0000-0000-0000-0000 0000 0 0x00005208    0001\n"
                     "\n"
                     "6       SSRW    10MB         NO      \n"
                     " SNAPSHOT(rw:6 ro:7 original:1)\n"
                     "\n"
                     "\n"
                     "\n";

void collect(const char* text, void* user) {
    *static_cast<std::string*>(user) += text;
}

class ContainerTable : public fsatest::OpenAdapterTest {
protected:
    std::string config() const override { return kConfig; }
    std::string dump(int selector, FSA_STATUS* status) {
        std::string text;
        *status = FsaDiagnostic(handle, 0, &selector, collect, &text);
        return text;
    }
};

TEST_F(ContainerTable, SelectorTwoPrintsTheTableAlone) {
    FSA_STATUS s;
    EXPECT_EQ(dump(2, &s), kTable);
    EXPECT_EQ(s, FSA_STS_SUCCESS);
}

TEST_F(ContainerTable, FullDumpHasEverySectionInOrder) {
    FSA_STATUS s;
    const std::string text = dump(-1, &s);
    ASSERT_EQ(s, FSA_STS_SUCCESS);
    const std::size_t table = text.find(kTable);
    const std::size_t order[] = {
        text.find("Partitions:"),
        table,
        text.find("\n\nBattery Information"),
        text.find(" *** HISTORY BUFFER FROM LAST RUN ***"),
        text.find(" *** HISTORY BUFFER FROM CURRENT CONTROLLER RUN ***"),
    };
    for (std::size_t i = 0; i < sizeof order / sizeof *order; ++i) {
        ASSERT_NE(order[i], std::string::npos) << i;
        if (i > 0) {
            EXPECT_LT(order[i - 1], order[i]) << i;
        }
    }
    // The table follows the partition table's closing blank lines directly.
    EXPECT_EQ(text.substr(table - 2, 2), "\n\n");
}

TEST_F(ContainerTable, ShownContainersAreNotRepeatedUntilTheNextHeader) {
    FSAAPI_CONTEXT* ctx = UtilGetContextFromHandle(handle).get();
    std::string text;
    EXPECT_TRUE(MSC_ShowContainer(ctx, collect, &text, 1, 1, 1));
    EXPECT_EQ(text.rfind("               TOTAL", 0), 0u);
    text.clear();
    EXPECT_FALSE(MSC_ShowContainer(ctx, collect, &text, 1, 0, 1));
    EXPECT_FALSE(MSC_ShowContainer(ctx, collect, &text, 7, 0, 1)); // no such container
    EXPECT_TRUE(text.empty()) << text;
    EXPECT_TRUE(MSC_ShowContainer(ctx, collect, &text, 3, 0, 1));
    text.clear();
    EXPECT_FALSE(MSC_ShowContainer(ctx, collect, &text, 4, 0, 1)); // shown as a member of 3
    EXPECT_TRUE(text.empty()) << text;
    // Without detail only the first line.
    EXPECT_TRUE(MSC_ShowContainer(ctx, collect, &text, 0, 0, 0));
    EXPECT_EQ(text, "0     VOLUME  1024KB       YES            \n");
    text.clear();
    EXPECT_TRUE(MSC_ShowContainer(ctx, collect, &text, 1, 1, 1));
    EXPECT_NE(text.find("1     STRIPE"), std::string::npos);
}

TEST_F(ContainerTable, ControllerRefusalEndsTheDump) {
    qorsim::Fault refused;
    refused.ctCommand = 178;
    refused.error = EIO;
    sim.inject(refused);
    FSA_STATUS s;
    const std::string text = dump(2 | 16, &s);
    EXPECT_EQ(s, FSA_STS_UX_IOCTL_FAILED); // the driver's failure, as injected
    EXPECT_EQ(text.find("Battery"), std::string::npos);
}

} // namespace
