// Disk sets held by the cluster partner's adapter: create, add, remove and
// delete are made there, with the drives named as the partner sees them.
#include "PartnerFixture.h"

#include "DiskSetChannel.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

using fsatest::drive;

// Local buses 0 and 1 are the partner's 1 and 0; local bus 2 has no partner
// bus. Set 77 is the partner's (local drives 0 and 2, its 128 and 130), set 88
// this node's (local drive 1). Local drive (0,3), the partner's (1,3), and
// local drive (2,0) are in no set.
const char* kPair = R"({"adapters": [
  {"index": 0, "serial": 4660, "buses": 3, "cluster": {"id": 5, "sharedMask": 7, "busMap": [1, 0, 255]},
   "drives": [{"bus": 0, "target": 0}, {"bus": 0, "target": 1}, {"bus": 0, "target": 2},
              {"bus": 0, "target": 3}, {"bus": 2, "target": 0}],
   "slices": [{"drive": 0}, {"drive": 1}, {"drive": 2}, {"drive": 3}, {"drive": 256}],
   "diskSets": [{"number": 77, "creator": 8738, "owner": 8738, "label": "theirs", "members": [0, 2]},
                {"number": 88, "creator": 4660, "owner": 4660, "label": "ours", "members": [1]}]},
  {"index": 2, "serial": 8738, "cluster": {"id": 5, "sharedMask": 7, "busMap": [1, 0, 255]},
   "drives": [{"bus": 1, "target": 0}, {"bus": 1, "target": 1}, {"bus": 1, "target": 2},
              {"bus": 1, "target": 3}],
   "slices": [{"drive": 128}, {"drive": 129}, {"drive": 130}, {"drive": 131}],
   "diskSets": [{"number": 77, "creator": 8738, "owner": 8738, "label": "theirs", "members": [128, 130]},
                {"number": 88, "creator": 4660, "owner": 4660, "label": "ours", "members": [129]}]}
]})";

class DiskSetPartner : public fsatest::Partner {
protected:
    std::string config() const override { return kPair; }

    const qorsim::DiskSet* setOn(unsigned adapter, std::uint64_t number) {
        model = sim.snapshot(adapter);
        for (const auto& s : model.maint.diskSets)
            if (s.number == number)
                return &s;
        return nullptr;
    }
    std::vector<int> clusterCommandsOn(int adapter) const {
        std::vector<int> out;
        for (const auto& e : sim.journal())
            if (e.fibCommand == 550 && e.adapter == adapter)
                out.push_back(e.clusterCommand);
        return out;
    }
    static bool has(const std::vector<int>& commands, int c) {
        return std::find(commands.begin(), commands.end(), c) != commands.end();
    }
    qorsim::Adapter model;
};

FSA_DISK_SET key(std::uint64_t number, std::uint64_t creator) {
    FSA_DISK_SET s{};
    s.number = number;
    s.creator = creator;
    return s;
}

TEST_F(DiskSetPartner, ThePartnersSetIsChangedThere) {
    const struct {
        const char* what;
        std::uint32_t op;
        FSA_STORAGE_DEVICE device;
        std::vector<std::uint32_t> partnerMembers; // empty: the set is gone there
    } rows[] = {
        {"add", FSA_DSO_ADD, drive(0, 3), {128, 130, 131}},
        {"remove", FSA_DSO_REMOVE, drive(0, 2), {128}},
        {"delete", FSA_DSO_DELETE, {}, {}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        sim.load(kPair);
        sim.clearJournal();
        FSA_DISK_SET set = key(77, 8738);
        FSA_DISK_SET_ARGS args{};
        args.add.memberCount = 1;
        args.add.members[0] = r.device;
        if (r.op == FSA_DSO_REMOVE) {
            args = {};
            args.remove.memberCount = 1;
            args.remove.members[0] = r.device;
        } else if (r.op == FSA_DSO_DELETE) {
            args = {};
        }
        ASSERT_EQ(FsaDiskSet(handle, &set, r.op, &args), FSA_STS_SUCCESS);
        const qorsim::DiskSet* there = setOn(2, 77);
        if (r.partnerMembers.empty())
            EXPECT_EQ(there, nullptr);
        else
            ASSERT_NE(there, nullptr) << "kept";
        if (there) {
            EXPECT_EQ(there->members, r.partnerMembers);
        }
        // This side sends no change and rescans its sets afterwards.
        EXPECT_EQ(setOn(0, 77)->members, (std::vector<std::uint32_t>{0, 2}));
        const std::vector<int> local = clusterCommandsOn(0);
        for (int c : {CL_ADD_MEMBER, CL_REMOVE_MEMBER, CL_DELETE})
            EXPECT_FALSE(has(local, c)) << c;
        EXPECT_EQ(sim.snapshot(0).maint.rescans, std::vector<std::uint32_t>{4});
    }
}

TEST_F(DiskSetPartner, ThePartnersResultFlagsComeBack) {
    qorsim::Fault refused;
    refused.adapter = 2;
    refused.fibCommand = 550;
    refused.clusterCommand = CL_ADD_MEMBER;
    refused.mutateReply = [](std::uint8_t* fib) { qorsim::put32(fib, qorsim::kFibHeader, 99); };
    sim.inject(refused);
    FSA_DISK_SET set = key(77, 8738);
    FSA_DISK_SET_ARGS args{};
    args.add.memberCount = 1;
    args.add.members[0] = drive(0, 3);
    ASSERT_EQ(FsaDiskSet(handle, &set, FSA_DSO_ADD, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(args.add.resultFlags, 2u);
    EXPECT_EQ(args.add.members[0].scsi.bus, 0) << "the caller's record keeps its numbering";
}

TEST_F(DiskSetPartner, DrivesThePartnerCannotNameAreRefused) {
    const struct {
        const char* what;
        std::uint32_t op;
        std::uint64_t number, creator;
        unsigned status;
    } rows[] = {
        {"create", FSA_DSO_CREATE, 0, 0, 430},
        {"add", FSA_DSO_ADD, 77, 8738, 431},
        {"remove", FSA_DSO_REMOVE, 77, 8738, 432},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        sim.clearJournal();
        FSA_DISK_SET set = key(r.number, r.creator);
        FSA_DISK_SET_ARGS args{};
        if (r.op == FSA_DSO_CREATE) {
            args.create.onPartner = 1;
            args.create.memberCount = 1;
            args.create.members[0] = drive(2, 0);
            std::strcpy(args.create.label, "new");
        } else if (r.op == FSA_DSO_ADD) {
            args.add.memberCount = 1;
            args.add.members[0] = drive(2, 0);
        } else {
            args.remove.memberCount = 1;
            args.remove.members[0] = drive(2, 0);
        }
        EXPECT_EQ(FsaDiskSet(handle, &set, r.op, &args), r.status);
        EXPECT_TRUE(clusterCommandsOn(2).empty()); // nothing reached the partner
    }
}

TEST_F(DiskSetPartner, CreateOnThePartnerIsMadeThereOnce) {
    FSA_DISK_SET set{};
    FSA_DISK_SET_ARGS args{};
    args.create.onPartner = 1;
    args.create.memberCount = 1;
    args.create.members[0] = drive(0, 3);
    std::strcpy(args.create.label, "made there");
    ASSERT_EQ(FsaDiskSet(handle, &set, FSA_DSO_CREATE, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(set.creator, 8738u);
    const qorsim::DiskSet* made = setOn(2, set.number);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->members, std::vector<std::uint32_t>{131});
    EXPECT_STREQ(made->label.data(), "made there");
    EXPECT_EQ(args.create.onPartner, 1u); // the caller's record is left as given
    EXPECT_EQ(setOn(0, set.number), nullptr);
    EXPECT_EQ(sim.snapshot(0).maint.rescans, std::vector<std::uint32_t>{4});

    // Without a partner there is nothing to make it on.
    ctx()->partnerHandle = 0;
    EXPECT_EQ(FsaDiskSet(handle, &set, FSA_DSO_CREATE, &args), FSA_STS_NO_ADAPTER);
}

TEST_F(DiskSetPartner, ThePartnerRescansAfterAChangeHere) {
    FSA_DISK_SET ours = key(88, 4660);
    FSA_DISK_SET_ARGS args{};
    args.add.memberCount = 1;
    args.add.members[0] = drive(0, 3);
    ASSERT_EQ(FsaDiskSet(handle, &ours, FSA_DSO_ADD, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(setOn(0, 88)->members, (std::vector<std::uint32_t>{1, 3}));
    EXPECT_EQ(sim.snapshot(2).maint.rescans, std::vector<std::uint32_t>{4});
    args = {};
    ASSERT_EQ(FsaDiskSet(handle, &ours, FSA_DSO_DELETE, &args), FSA_STS_SUCCESS);
    EXPECT_EQ(setOn(0, 88), nullptr);
    EXPECT_EQ(sim.snapshot(2).maint.rescans, (std::vector<std::uint32_t>{4, 4}));
    EXPECT_NE(setOn(2, 88), nullptr) << "the partner's own model is its own";
}

TEST_F(DiskSetPartner, OwnerIdsByTableIndex) {
    EXPECT_EQ(FsaGetOwnerIdEx(handle, 0), 4660u);
    EXPECT_EQ(FsaGetOwnerIdEx(handle, 1), 8738u);
    EXPECT_EQ(FsaGetOwnerIdEx(handle, 2), 0u);
    EXPECT_EQ(FsaGetOwnerIdEx(nullptr, 0), 0u);
    int notAHandle = 0;
    EXPECT_EQ(FsaGetOwnerIdEx(&notAHandle, 0), 0u);
}

} // namespace
