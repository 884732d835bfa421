// Deleting containers through FsaContainer: forced deletion ends the
// library's own tasks on the container first; a container that survives only
// as partitions has them zeroed; a snapshot source takes its snapshot along.
#include "FsaContainerInfo.h"
#include "FsaContainerOps.h"
#include "HandleTable.h"
#include "OpsFixture.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

// Container 1, a volume on disk 0 with an application task (job 300);
// container 4 left only as a configured partition on disk 1; container 6 a
// snapshot source whose snapshot 5 keeps its backing container at hidden
// number 30 (visible as 3). Both disks are in one disk set, as a leftover's
// partitions must be to be described.
const char* kContainers = R"({"adapters": [{"index": 0, "serial": 9,
  "slices": [{"size": 100000, "drive": 1}, {"size": 100000, "drive": 2}],
  "diskSets": [{"number": 5, "creator": 9, "members": [1, 2]}],
  "partitions": [{"start": 0, "size": 10, "serial": 9, "slice": 98},
                 {"start": 128, "size": 2000, "serial": 9, "slice": 0, "l0Type": 1, "l0Number": 1,
                  "l0Members": 1, "flags": 1},
                 {"start": 128, "size": 2000, "serial": 9, "slice": 1, "l0Type": 1, "l0Number": 4,
                  "l0Members": 1, "flags": 1},
                 {"start": 4000, "size": 2000, "serial": 9, "slice": 0, "l0Type": 1,
                  "l0Number": 6, "l0Members": 1, "flags": 1},
                 {"start": 8000, "size": 2000, "serial": 9, "slice": 0, "l0Type": 1,
                  "l0Number": 30, "l0Members": 1, "flags": 1}],
  "containers": {"count": 32, "firstHidden": 24,
                 "list": [{"number": 1, "type": 1, "members": [1]},
                          {"number": 6, "type": 6, "members": [3],
                           "words": {"135": 6, "136": 30, "137": 5, "138": 3}},
                          {"number": 30, "type": 1, "members": [4]},
                          {"number": 5, "type": 5, "members": [],
                           "words": {"135": 6, "136": 30, "137": 5, "138": 3}}]},
  "tasks": [{"id": 21, "job": 300, "object": 1, "total": 1000}],
  "hostDisks": [{"container": 1, "target": 1}, {"container": 3, "target": 3},
                {"container": 4, "target": 4}, {"container": 6, "target": 6}]}]})";

std::atomic<int> g_deletedFour{0};

class Delete : public fsatest::OpsTest {
protected:
    Delete() : OpsTest(kContainers) {}
    std::size_t sent(int command) {
        std::size_t n = 0;
        for (const auto& e : sim.journal())
            n += e.ctCommand == command;
        return n;
    }
    // The container's id as the library describes it.
    tag_FSA_CONTAINER described(std::uint32_t n) {
        std::vector<std::uint8_t> buffer(FSA_CONTAINER_INFO_MAX_BYTES);
        auto* info = reinterpret_cast<FSA_CONTAINER_INFO*>(buffer.data());
        const tag_FSA_CONTAINER asked{n, 0, 9};
        EXPECT_EQ(FsaGetContainerInfo(handle, 0, &asked, info, FSA_CONTAINER_INFO_MAX_BYTES),
                  FSA_STS_SUCCESS);
        return info->container;
    }
};

TEST_F(Delete, ForcedDeletionEndsTheLibrarysTasksFirst) {
    const tag_FSA_CONTAINER one{1, 0, 9};
    // Unforced, the running task refuses the deletion.
    EXPECT_EQ(FsaContainer(handle, &one, FSA_CO_DELETE_IN_USE, nullptr), FSA_STATUS(145));
    EXPECT_TRUE(sim.snapshot(0).containers.count(1));
    EXPECT_FALSE(sim.snapshot(0).tasks.at(0).ended());
    ASSERT_EQ(FsaContainer(handle, &one, FSA_CO_DELETE_FORCE, nullptr), FSA_STS_SUCCESS);
    const qorsim::Adapter a = sim.snapshot(0);
    EXPECT_TRUE(a.tasks.at(0).ended());
    EXPECT_FALSE(a.containers.count(1));
    EXPECT_EQ(qorsim::get32(a.partitions.at(1).data(), 32), 0u);
    EXPECT_TRUE(a.hostDisks.at(1).deleted);
}

TEST_F(Delete, ForcedDeletionEndsTheTasksOfMemberContainersToo) {
    // A volume set of container 1 and a second volume, 7, on disk 1; the
    // host knows both and the new container 0 as disks.
    sim.update(0, [](qorsim::Adapter& a) {
        a.tasks.clear();
        qorsim::PartitionEntry e = a.partitions.at(1);
        qorsim::put32(e.data(), 24, 20000);
        e[40] = 1;
        e[52] = 7;
        a.partitions.push_back(e);
        a.containers[7].members = {static_cast<std::uint32_t>(a.partitions.size() - 1)};
        a.hostDisks[7] = qorsim::HostDisk{0, 0, 7, 0, true, false, false, false, "sdh"};
        a.hostDisks[0] = qorsim::HostDisk{0, 0, 8, 0, true, false, false, false, "sdi"};
    });
    const tag_FSA_CONTAINER members[] = {{1, 0, 9}, {7, 0, 9}};
    tag_FSA_CONTAINER volume{};
    ASSERT_EQ(FsaCreateSecondaryContainer(handle, &volume, 3, nullptr, 2, members, 0),
              FSA_STS_SUCCESS);
    // A job of the library runs on the first member, now hidden at 31.
    sim.update(0, [](qorsim::Adapter& a) {
        qorsim::Task job;
        job.id = 40;
        job.jobCode = 300;
        job.objectId = 31;
        a.tasks.push_back(job);
    });
    ASSERT_EQ(FsaContainer(handle, &volume, FSA_CO_DELETE_FORCE, nullptr), FSA_STS_SUCCESS);
    const qorsim::Adapter a = sim.snapshot(0);
    EXPECT_TRUE(a.tasks.at(0).ended());
    EXPECT_FALSE(a.containers.count(volume.containerNumber));
}

TEST_F(Delete, AContainerLeftAsPartitionsHasThemZeroedAndIsAnnounced) {
    void* other = open("qor0", FSA_ACC_READ_ONLY);
    g_deletedFour = 0;
    ASSERT_EQ(FsaRegisterGeneralCallback(
                  other, 0x40000,
                  [](void*, std::uint32_t, FSA_EVENT_DETAILS* d, void*) {
                      if (d && d->words[0] == 4 && d->words[2] == 9)
                          ++g_deletedFour;
                      return 1;
                  },
                  nullptr),
              FSA_STS_SUCCESS);
    const tag_FSA_CONTAINER four = described(4);
    sim.clearJournal();
    ASSERT_EQ(FsaContainer(handle, &four, FSA_CO_DELETE_FORCE, nullptr), FSA_STS_SUCCESS);
    const qorsim::Adapter a = sim.snapshot(0);
    EXPECT_EQ(qorsim::get32(a.partitions.at(2).data(), 32), 0u); // the entry is zeroed
    EXPECT_EQ(sent(14), 1u);                                     // only that one
    EXPECT_EQ(sent(34), 1u);                                     // the configuration re-read
    EXPECT_EQ(sent(17), 0u);                                     // nothing to destroy
    EXPECT_TRUE(a.containers.count(1));
    for (int i = 0; i < 200 && g_deletedFour < 1; ++i)
        sleeper.sleepMs(50);
    EXPECT_EQ(g_deletedFour.load(), 1);
    FsaCloseAdapter(other);
}

TEST_F(Delete, ASnapshotSourceTakesItsSnapshotAlong) {
    const tag_FSA_CONTAINER six{6, 0, 9};
    sim.clearJournal();
    ASSERT_EQ(FsaContainer(handle, &six, FSA_CO_DELETE_FORCE, nullptr), FSA_STS_SUCCESS);
    const qorsim::Adapter a = sim.snapshot(0);
    EXPECT_EQ(sent(105), 1u);             // the snapshot relation removed
    EXPECT_FALSE(a.containers.count(5));  // the snapshot
    EXPECT_FALSE(a.containers.count(6));  // the source
    EXPECT_FALSE(a.containers.count(30)); // the backing container left its hidden number
    EXPECT_TRUE(a.containers.count(3));   // and is visible again
    EXPECT_TRUE(a.containers.count(1));   // nothing else changed
    EXPECT_EQ(qorsim::get32(a.partitions.at(3).data(), 32), 0u);
}

TEST_F(Delete, PromotionNeedsAFreeHiddenNumber) {
    const tag_FSA_CONTAINER one{1, 0, 9};
    struct Case {
        std::uint32_t answer;
        FSA_STATUS status;
    } cases[] = {{186, FSA_STS_SUCCESS},
                 {187, FSA_STATUS(108)},
                 {188, FSA_STATUS(11)},
                 {189, FSA_STATUS(22)},
                 {190, FSA_STATUS(108)}};
    for (const Case& k : cases) {
        const auto promote = answer(71, k.answer);
        EXPECT_EQ(FsaContainer(handle, &one, FSA_CO_PROMOTE, nullptr), k.status) << k.answer;
        EXPECT_EQ(promote->count, 1);
        EXPECT_EQ(promote->words[0], 1u);
    }
    // Every hidden number taken: refused before anything is sent.
    sim.update(0, [](qorsim::Adapter& a) {
        for (std::uint32_t n = 24; n < 32; ++n)
            a.containers[n];
    });
    const auto promote = answer(71, 186);
    EXPECT_EQ(FsaContainer(handle, &one, FSA_CO_PROMOTE, nullptr), FSA_STATUS(388));
    EXPECT_EQ(promote->count, 0);
}

// What the forced deletion of a container leaves when one answer of the
// controller comes back zeroed (status kept, data gone): a container
// destroyed as a whole, its host disk removed, or a failure with the
// container, its partitions and its host disk as they were. Never its
// partitions zeroed as if it were a leftover, nor its host disk kept.
class DamagedDelete : public Delete {
protected:
    enum class Damage {
        Zeroed,      // the data of the answer (all pieces of a long one) zeroed
        DriverError, // the driver fails the exchange
        NotServed,   // the controller does not serve the request (reply word 0)
    };
    // Damages the `k`-th answer to container command `command`; false when
    // the deletion did not ask that many.
    bool deleteWithDamagedAnswer(const tag_FSA_CONTAINER& c, int command, int k, Damage damage,
                                 FSA_STATUS* out) {
        sim.clearFaults();
        auto pieces = std::make_shared<int>(0);
        qorsim::Fault first;
        first.fibCommand = 500;
        first.ctCommand = command;
        first.skip = k;
        switch (damage) {
        case Damage::DriverError:
            first.error = EIO;
            break;
        case Damage::NotServed:
            first.refuse = true;
            first.mutateReply = [](std::uint8_t* fib) {
                qorsim::put32(fib, qorsim::kFibHeader, 1);
            };
            break;
        case Damage::Zeroed:
            first.mutateReply = [pieces](std::uint8_t* fib) {
                std::memset(fib + kCtData, 0, kCtDataMax);
                *pieces = 2; // and the pieces that carry the rest of a long one
            };
            break;
        }
        sim.inject(first);
        qorsim::Fault rest;
        rest.fibCommand = 500;
        rest.ctCommand = 83; // CONTINUE_DATA
        rest.times = -1;
        rest.mutateReply = [pieces](std::uint8_t* fib) {
            if (*pieces > 0 && (*pieces)-- > 0)
                std::memset(fib + kCtData, 0, kCtDataMax);
        };
        sim.inject(rest);
        sim.clearJournal();
        *out = FsaContainer(handle, &c, FSA_CO_DELETE_FORCE, nullptr);
        sim.clearFaults();
        return static_cast<int>(sent(command)) > k;
    }
    // Container `n` on partition entries `entries`, known to the host.
    void expectOutcome(FSA_STATUS status, std::uint32_t n, std::vector<std::size_t> entries) {
        const qorsim::Adapter a = sim.snapshot(0);
        if (status == FSA_STS_SUCCESS) {
            EXPECT_FALSE(a.containers.count(n));
            EXPECT_TRUE(a.hostDisks.at(n).deleted) << "the host keeps a destroyed container's disk";
            EXPECT_EQ(sent(14), 0u) << "a configured container's partitions zeroed";
        } else {
            EXPECT_TRUE(a.containers.count(n));
            EXPECT_FALSE(a.hostDisks.at(n).deleted);
            for (std::size_t e : entries)
                EXPECT_EQ(qorsim::get32(a.partitions.at(e).data(), 52) & 0xFFFF, n);
        }
    }
    static constexpr std::size_t kCtData = qorsim::kFibHeader + 32;
    static constexpr std::size_t kCtDataMax = 432;
};

TEST_F(DamagedDelete, AnUnreadContainerRecordIsNoLeftover) {
    const tag_FSA_CONTAINER one = described(1);
    // The record read (GET_CONTAINER_INFO) and the pieces of its long
    // answer (CONTINUE_DATA, STOP_DATA): a refused piece is no answer that
    // the controller does not know the record command.
    const struct {
        const char* what;
        int command;
        Damage damage;
    } cases[] = {
        {"GET_CONTAINER_INFO zeroed", 178, Damage::Zeroed},
        {"GET_CONTAINER_INFO, driver error", 178, Damage::DriverError},
        {"GET_CONTAINER_INFO not served", 178, Damage::NotServed},
        {"CONTINUE_DATA not served", 83, Damage::NotServed},
        {"STOP_DATA not served", 84, Damage::NotServed},
    };
    for (const auto& c : cases) {
        int asked = 0;
        for (int k = 0; k < 80; ++k) {
            SCOPED_TRACE(std::string(c.what) + ", answer " + std::to_string(k));
            sim.load(kContainers);
            FSA_STATUS s;
            if (!deleteWithDamagedAnswer(one, c.command, k, c.damage, &s))
                break;
            ++asked;
            expectOutcome(s, 1, {1});
        }
        EXPECT_GT(asked, 3);
    }
}

// A destroy the controller answers as done but does not carry out: the
// container is still held, so the deletion fails and the host keeps its disk.
TEST_F(DamagedDelete, AContainerStillHeldIsNoSuccess) {
    const tag_FSA_CONTAINER one = described(1);
    qorsim::Fault kept;
    kept.fibCommand = 500;
    kept.ctCommand = 17; // DESTROY_CONTAINER
    kept.refuse = true;
    kept.mutateReply = [](std::uint8_t* fib) {
        qorsim::put32(fib, qorsim::kFibHeader, 0);
        qorsim::put32(fib, qorsim::kFibHeader + 8, 59); // its success answer
    };
    sim.inject(kept);
    sim.clearJournal();
    EXPECT_EQ(FsaContainer(handle, &one, FSA_CO_DELETE_FORCE, nullptr), FSA_STS_FAILURE);
    EXPECT_EQ(sent(17), 1u);
    expectOutcome(FSA_STS_FAILURE, 1, {1});
}

TEST_F(DamagedDelete, AZeroedPartitionKeepsNoHostDiskOfADestroyedContainer) {
    // Container 7: a volume over two partitions, on disks 0 and 1.
    auto twoPartitions = [](qorsim::Adapter& a) {
        for (std::uint32_t slice : {0u, 1u}) {
            qorsim::PartitionEntry e = a.partitions.at(1);
            qorsim::put32(e.data(), 24, 20000); // start
            qorsim::put32(e.data(), 40, slice);
            e[52] = 7;                                // container
            e[56] = 2;                                // its members
            e[60] = static_cast<std::uint8_t>(slice); // this one's index
            a.partitions.push_back(e);
        }
        a.containers[7].members = {5, 6};
        a.hostDisks[7] = qorsim::HostDisk{0, 0, 7, 0, true, false, false, false, "sdh"};
        a.tasks.clear();
    };
    int asked = 0;
    for (int k = 0; k < 40; ++k) {
        SCOPED_TRACE("GET_PARTITION_INFO answer " + std::to_string(k));
        sim.load(kContainers);
        sim.update(0, twoPartitions);
        const tag_FSA_CONTAINER seven = described(7);
        FSA_STATUS s;
        if (!deleteWithDamagedAnswer(seven, 3, k, Damage::Zeroed, &s))
            break;
        ++asked;
        expectOutcome(s, 7, {5, 6});
    }
    EXPECT_GT(asked, 1);
}

} // namespace
