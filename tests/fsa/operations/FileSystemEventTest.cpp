// Clearing a container's file system is announced to the adapter's other
// clients (event 0x80 with the container), once the controller has done it.
#include "FsaContainerOps.h"
#include "FsaMaintenance.h"
#include "FsaSnapshot.h"
#include "HandleTable.h"
#include "OpsFixture.h"

#include <functional>
#include <mutex>
#include <vector>

namespace {

// Volumes 1 and 2; container 5 is a snapshot of 1 whose backing container
// waits at hidden number 30 and is visible as 3.
const char* kVolumes = R"({"adapters": [{"index": 0, "serial": 9,
  "slices": [{"size": 100000, "drive": 1}],
  "partitions": [{"start": 0, "size": 10, "serial": 9, "slice": 98},
                 {"start": 128, "size": 2000, "serial": 9, "slice": 0, "l0Type": 1, "l0Number": 1,
                  "l0Members": 1, "flags": 1},
                 {"start": 4000, "size": 30000, "serial": 9, "slice": 0, "l0Type": 1,
                  "l0Number": 2, "l0Members": 1, "flags": 1},
                 {"start": 40000, "size": 20000, "serial": 9, "slice": 0, "l0Type": 1,
                  "l0Number": 30, "l0Members": 1, "flags": 1}],
  "containers": {"count": 32, "firstHidden": 24,
                 "list": [{"number": 1, "type": 1, "members": [1]},
                          {"number": 2, "type": 1, "members": [2]},
                          {"number": 30, "type": 1, "members": [3]},
                          {"number": 5, "type": 5, "members": [],
                           "words": {"135": 1, "136": 30, "137": 5, "138": 3}}]},
  "hostDisks": [{"container": 1, "target": 1}, {"container": 2, "target": 2},
                {"container": 3, "target": 3}]}]})";

// The containers named by the file-system events a second client received.
std::mutex g_mutex;
std::vector<std::uint32_t> g_changed;

int fileSystemChanged(void*, std::uint32_t bit, FSA_EVENT_DETAILS* d, void*) {
    if (bit == 0x80 && d) {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_changed.push_back(d->words[0]);
    }
    return 1;
}

class FileSystemEvents : public fsatest::OpsTest {
protected:
    FileSystemEvents() : OpsTest(kVolumes) {}
    void SetUp() override {
        OpsTest::SetUp();
        other = open("qor0", FSA_ACC_READ_ONLY);
        ASSERT_EQ(FsaRegisterGeneralCallback(other, 0x80, fileSystemChanged, nullptr),
                  FSA_STS_SUCCESS);
        std::lock_guard<std::mutex> lock(g_mutex);
        g_changed.clear();
    }
    void TearDown() override {
        FsaCloseAdapter(other);
        OpsTest::TearDown();
    }
    // The events received once `count` of them arrived (or the wait ended).
    std::vector<std::uint32_t> received(std::size_t count) {
        for (int i = 0; i < 400; ++i) {
            {
                std::lock_guard<std::mutex> lock(g_mutex);
                if (g_changed.size() >= count)
                    break;
            }
            sleeper.sleepMs(50);
        }
        std::lock_guard<std::mutex> lock(g_mutex);
        std::vector<std::uint32_t> seen;
        seen.swap(g_changed);
        return seen;
    }
    void* other = nullptr;
};

TEST_F(FileSystemEvents, EveryClearingIsAnnouncedWithItsContainer) {
    const tag_FSA_CONTAINER one{1, 0, 9}, snapshot{5, 0, 9};
    struct Case {
        const char* what;
        std::function<FSA_STATUS()> call;
        std::uint32_t container;
    } cases[] = {
        {"clear unused", [&] { return FsaContainer(handle, &one, FSA_CO_CLEAR_UNUSED, nullptr); },
         1},
        {"clear", [&] { return FsaContainer(handle, &one, FSA_CO_CLEAR, nullptr); }, 1},
        {"clear any", [&] { return FsaContainer(handle, &one, FSA_CO_CLEAR_ANY, nullptr); }, 1},
        {"clear any too", [&] { return FsaContainer(handle, &one, FSA_CO_CLEAR_ANY2, nullptr); },
         1},
        {"file system removed", [&] { return FsaRemoveFileSystem(handle, &one); }, 1},
        {"snapshot removed: its backing container is back and empty",
         [&] { return FsaSnapshot(handle, FSA_SNAP_REMOVE, &snapshot, nullptr, nullptr, 0); }, 3},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        ASSERT_EQ(k.call(), FSA_STS_SUCCESS);
        EXPECT_EQ(received(1), std::vector<std::uint32_t>{k.container});
    }
}

TEST_F(FileSystemEvents, ARefusedClearingIsNotAnnounced) {
    const tag_FSA_CONTAINER one{1, 0, 9}, two{2, 0, 9};
    answer(59, 160); // the controller cannot start zeroing
    EXPECT_EQ(FsaContainer(handle, &one, FSA_CO_CLEAR_ANY, nullptr), FSA_STATUS(106));
    answer(59, 153); // done at once
    EXPECT_EQ(FsaRemoveFileSystem(handle, &one), FSA_STS_SUCCESS);
    answer(59, 154); // not a container it can clear
    EXPECT_EQ(FsaRemoveFileSystem(handle, &two), FSA_STATUS(41));
    answer(59, 159);
    ASSERT_EQ(FsaContainer(handle, &two, FSA_CO_CLEAR_ANY, nullptr), FSA_STS_SUCCESS);
    // Events arrive in order: only the two clearings that were done.
    EXPECT_EQ(received(2), (std::vector<std::uint32_t>{1, 2}));
}

} // namespace
