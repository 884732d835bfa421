// Erasing a container's file system: the host lets go of the disk, the
// controller clears the start of the container, the host sees it again.
#include "JournalOps.h"
#include "SimFixture.h"

#include <algorithm>
#include <vector>

namespace {

class FileSystemTest : public fsatest::OpenAdapterTest {
protected:
    void prepare() override {
        sim.update(0, [](qorsim::Adapter& a) {
            a.containers[2] = qorsim::ContainerRecord{1, {0}, 0};
            a.hostDisks[2] = qorsim::HostDisk{2, 0, 5, 0, true, false, false, false, "sdb"};
        });
    }
    void SetUp() override {
        OpenAdapterTest::SetUp();
        sim.clearJournal();
    }
};

TEST_F(FileSystemTest, RemoveClearsTheContainerBetweenTheHostSteps) {
    const tag_FSA_CONTAINER c{2, 0, 4660};
    ASSERT_EQ(FsaRemoveFileSystem(handle, &c), FSA_STS_SUCCESS);
    const std::vector<int> sent = fsatest::sentOperations(sim);
    EXPECT_NE(std::find(sent.begin(), sent.end(), 59), sent.end()) << "the clear was sent";
    const auto journal = sim.journal();
    EXPECT_TRUE(std::any_of(journal.begin(), journal.end(), [](const qorsim::JournalEntry& e) {
        return e.request == qorsim::kDeleteDisk;
    })) << "the host let go of the old disk";
    EXPECT_FALSE(sim.snapshot(0).hostDisks.at(2).deleted); // and sees the container again
}

TEST_F(FileSystemTest, RefusalsAndFailures) {
    const tag_FSA_CONTAINER c{2, 0, 4660};
    EXPECT_EQ(FsaRemoveFileSystem(handle, nullptr), FSA_STS_BAD_ARGUMENTS);
    void* readOnly = open("qor0", FSA_ACC_READ_ONLY);
    EXPECT_EQ(FsaRemoveFileSystem(readOnly, &c), FSA_STS_NEEDS_READ_WRITE);
    EXPECT_EQ(FsaUpdateFileSystem(readOnly, &c, nullptr), FSA_STS_NEEDS_READ_WRITE);
    FsaCloseAdapter(readOnly);
    // A host driver's file system cannot be updated on this host.
    EXPECT_EQ(FsaUpdateFileSystem(handle, &c, nullptr), FSA_STS_NOT_AVAILABLE_ON_OS);
    // The controller fails the clear: the host's removal is still completed
    // (as failed), so the host is not left half-way.
    qorsim::Fault broken;
    broken.ctCommand = 59;
    broken.error = EIO;
    sim.inject(broken);
    EXPECT_EQ(FsaRemoveFileSystem(handle, &c), FSA_STS_UX_IOCTL_FAILED);
    EXPECT_TRUE(sim.snapshot(0).hostDisks.at(2).deleted);
}

} // namespace
