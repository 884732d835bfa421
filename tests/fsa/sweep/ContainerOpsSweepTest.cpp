// The operations on existing containers, mirrors, snapshots and cache
// settings under a failure at every FIB.
#include "SweepConfig.h"

namespace fsasweep {
namespace {

// FsaContainer operation `op` on container `n` with an argument of type T.
template <class T>
Row operation(const char* name, std::uint32_t n, FSA_CONTAINER_OPERATION op, T argument,
              std::vector<std::string> touches) {
    return row(
        name, kBase,
        [n, op, argument](void* h) mutable {
            const tag_FSA_CONTAINER c = container(n);
            return FsaContainer(h, &c, op, &argument);
        },
        std::move(touches));
}

Row operation(const char* name, std::uint32_t n, FSA_CONTAINER_OPERATION op,
              std::vector<std::string> touches) {
    return row(
        name, kBase,
        [n, op](void* h) {
            const tag_FSA_CONTAINER c = container(n);
            return FsaContainer(h, &c, op, nullptr);
        },
        std::move(touches));
}

struct Name16 {
    char text[16];
};

std::vector<Row> rows() {
    std::vector<Row> out;
    out.push_back(
        operation("set user flags", 1, FSA_CO_SET_USER_FLAGS, std::uint16_t(0x5), {"container 1"}));
    out.push_back(operation("clear user flags", 1, FSA_CO_CLEAR_USER_FLAGS, std::uint16_t(0x5),
                            {"container 1"}));
    out.push_back(operation("mirror delay", 3, FSA_CO_MIRROR_DELAY, 50u, {"container 3"}));
    out.push_back(operation("set name", 2, FSA_CO_SET_NAME, Name16{"renamed"}, {"container 2"}));
    out.push_back(operation("make read only", 1, FSA_CO_MAKE_READ_ONLY, {"container 1"}));
    out.push_back(operation("clear", 2, FSA_CO_CLEAR, {"container 2", "host disk 2"}));
    out.push_back(
        operation("move", 2, FSA_CO_MOVE, container(7),
                  {"container 2", "container 7", "host disk 2", "host disk 7", "partition 2"}));
    // A container on the shared bus may not take the cluster partner's 7:
    // refused before anything changes.
    Row moveShared =
        operation("move on a shared bus to the partner's number", 4, FSA_CO_MOVE, container(7), {});
    moveShared.config = withPartnerContainer({{4, 1, {6}}}, 7);
    moveShared.cleanStatus = FSA_STS_TARGET_CONTAINER_EXISTS;
    moveShared.cleanNote = "refuses the number the partner uses";
    out.push_back(moveShared);
    out.push_back(operation("offline", 2, FSA_CO_OFFLINE, 1, {"container 2", "host disk 2"}));
    // The mirror's partitions move to the highest free hidden number, which
    // then stands in it through a new entry.
    out.push_back(
        operation("promote", 3, FSA_CO_PROMOTE,
                  {"container 3", "container 31", "partition 3", "partition 4", "partition 5"}));

    // Deletion: the host lets go of the disk first; a failure after the
    // controller destroyed the container leaves it destroyed.
    for (auto [name, op] :
         {std::pair{"delete", FSA_CO_DELETE}, std::pair{"delete in use", FSA_CO_DELETE_IN_USE},
          std::pair{"delete forced", FSA_CO_DELETE_FORCE}}) {
        Row r = operation(name, 2, op, {"container 2", "host disk 2", "partition 2"});
        r.partials.push_back(startExcept(
            "the host released the disk and the failure came before the destroy", {"host disk 2"}));
        r.partials.push_back(successExcept("destroyed; the host's clean-up after it failed",
                                           {"host disk 2", "partition 2"}));
        out.push_back(r);
    }
    // Forced, with a job of the library running on the container: the job
    // is ended and seen to end before anything else goes.
    Row busy = operation("delete forced with a job running", 2, FSA_CO_DELETE_FORCE,
                         {"container 2", "host disk 2", "partition 2", "task *"});
    busy.setup = [](qorsim::Adapter& a) {
        qorsim::Task t;
        t.id = 7;
        t.jobCode = 300; // a job of the library
        t.objectId = 2;
        a.tasks.push_back(t);
    };
    busy.partials = out.back().partials;
    busy.partials.push_back(
        onFailure(startExcept("the job ended and the failure came after it", {"task *"})));
    busy.callerFibsOnly = true;
    out.push_back(busy);

    Row unmirror = row("unmirror", kBase,
                       [](void* h) {
                           tag_FSA_CONTAINER c = container(3), made{};
                           return FsaMirror(h, FSA_MIRROR_UNMIRROR, &c, &made);
                       },
                       {"container 3", "partition 3", "partition 4"});
    out.push_back(unmirror);
    // The second side becomes container 0, the lowest free number, and is
    // then exposed to the host.
    Row split = row("split mirror", kBase,
                    [](void* h) {
                        tag_FSA_CONTAINER c = container(3), made{};
                        return FsaMirror(h, FSA_MIRROR_SPLIT, &c, &made);
                    },
                    {"container 3", "container 0", "partition 3", "partition 4", "host disk 0"});
    out.push_back(split);
    // A mirror on the shared bus splits to a number free on every disk: 0
    // is the cluster partner's, so the second side becomes container 5.
    out.push_back(row("split mirror on a shared bus", withPartnerContainer({{4, 2, {6, 7}}}, 0),
                      [](void* h) {
                          tag_FSA_CONTAINER c = container(4), made{};
                          return FsaMirror(h, FSA_MIRROR_SPLIT, &c, &made);
                      },
                      {"container 4", "container 5", "partition 5", "partition 6", "host disk 5"}));

    Row snapshot =
        row("snapshot create", kBase,
            [](void* h) {
                const tag_FSA_CONTAINER source = container(1), backing = container(2);
                FSA_SNAPSHOT_INFO info{};
                return FsaSnapshot(h, FSA_SNAP_CREATE_SPARSE, &source, &backing, &info, 65536);
            },
            // The backing container's partition keeps its container number.
            {"container 1", "container 2", "host disk 2", "container *", "partition 2"});
    // With the NVRAM ready the creation goes as far as the host layer, which
    // takes no copy-on-write snapshot on this OS: the backing container,
    // moved to a hidden number for the snapshot, is moved back.
    snapshot.setup = [](qorsim::Adapter& a) { a.maint.nvram.state = 3; };
    snapshot.cleanStatus = FSA_STS_NOT_SUPPORTED;
    snapshot.cleanNote = "ends at the host layer, which takes no copy-on-write snapshot here";
    snapshot.partials.push_back(
        failedExcept("the controller refused the move back: the backing container stays hidden "
                     "and the host lets go of its disk",
                     {"container *", "partition 2", "host disk 2"}));
    out.push_back(snapshot);

    out.push_back(row("container cache", kBase,
                      [](void* h) {
                          const tag_FSA_CONTAINER c = container(1);
                          const tag_FSA_CONTAINER_PARAMS p{1, 1};
                          return FsaContainerSetCacheParams(h, &c, &p);
                      },
                      // The settings are kept in the container's partition entry.
                      {"container 1", "cache slot 1", "partition 1"}));
    out.push_back(row("global cache", kBase,
                      [](void* h) {
                          const FSA_GLOBAL_CACHE_PARAMS p{0,      0x800, 0x1000, 0x3000,
                                                          0x3000, 0x200, 0x200};
                          return FsaContainerSetGlobalCacheParams(h, &p);
                      },
                      {"cache"}));
    return out;
}

class ContainerOpsSweep : public SweepTest {};
TEST_P(ContainerOpsSweep, LeavesOnlyAllowedStates) {
    sweep();
}
INSTANTIATE_TEST_SUITE_P(Rows, ContainerOpsSweep, ::testing::ValuesIn(rows()), RowName());

} // namespace
} // namespace fsasweep
