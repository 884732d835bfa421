// Host partition operations: entry checks, and the answers of a platform
// without the host layer.
#include "FsaApi.h"
#include "FsaHostPartitions.h"
#include "HandleTable.h"
#include "SimFixture.h"

#include <string>

namespace {

class HostPartitionsTest : public fsatest::SimTest {};

TEST_F(HostPartitionsTest, ChecksAndAnswers) {
    void* rw = open("qor0", FSA_ACC_READ_WRITE);
    void* ro = open("qor2", FSA_ACC_READ_ONLY);
    const tag_FSA_CONTAINER c{1, 0, 4660};
    unsigned out = 0;
    EXPECT_EQ(FsaNTCreatePartition(rw, &c, 0, 0, 1 << 20, &out), FSA_STS_NOT_AVAILABLE_ON_OS);
    EXPECT_EQ(FsaNTCreatePartition(ro, &c, 0, 0, 1 << 20, &out), FSA_STS_NEEDS_READ_WRITE);
    EXPECT_EQ(FsaNTRemoveDriveLetter(UtilHandleFromValue(1), 'E'), FSA_STS_INVALID_HANDLE);
    EXPECT_EQ(FsaNTGetByDriveLetter(rw, 'E', 0, nullptr), FSA_STS_NOT_AVAILABLE_ON_OS);

    int ft = 7;
    EXPECT_EQ(FsaNTCheckFTDiskOnContainer(ro, &c, &ft), FSA_STS_SUCCESS);
    EXPECT_EQ(ft, 0);

    unsigned count = 9;
    int dyn = 9, spans = 9, fs = 9;
    EXPECT_EQ(
        FsaNTCheckDynamicDiskOnContainer(UtilHandleFromValue(1), &c, &count, &dyn, &spans, &fs),
        FSA_STS_INVALID_HANDLE);
    EXPECT_EQ(count + dyn + spans + fs, 0u) << "cleared before the checks";

    const std::string longest(256, 'x'), tooLong(257, 'x');
    EXPECT_EQ(FsaNTFormatA(rw, 'E', 1, tooLong.c_str(), 0, 0), FSA_STATUS(5));
    EXPECT_EQ(FsaNTFormatA(rw, 'E', 1, longest.c_str(), 0, 0), FSA_STS_NOT_AVAILABLE_ON_OS);
    FsaCloseAdapter(rw);
    FsaCloseAdapter(ro);
}

} // namespace
