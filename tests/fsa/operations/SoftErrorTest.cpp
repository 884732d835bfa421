// The controller's soft-error switch and its disk list, page by page.
#include "FsaContainerOps.h"
#include "HandleTable.h"
#include "SimFixture.h"

#include <string>
#include <tuple>
#include <vector>

namespace {

using Disk = std::tuple<unsigned, unsigned, unsigned, unsigned, unsigned>;

void collect(unsigned bus, unsigned target, unsigned lun, unsigned f0, unsigned f1, void* cookie) {
    static_cast<std::vector<Disk>*>(cookie)->emplace_back(bus, target, lun, f0, f1);
}

class SoftErrors : public fsatest::SimTest {
protected:
    std::string config() const override {
        return R"({"adapters": [{"index": 0, "serial": 4660, "info": {"options": 256},
                    "softErrors": {"state": 1}}, {"index": 1, "serial": 77}]})";
    }
    void setDisks(std::size_t n) {
        sim.update(0, [n](qorsim::Adapter& a) {
            a.softErrors.disks.clear();
            for (std::size_t i = 0; i < n; ++i)
                a.softErrors.disks.push_back(qorsim::SoftErrorDisk{
                    std::uint8_t(i % 3), std::uint8_t(i), 0, std::uint8_t(i % 4)});
        });
    }
    // The pages asked of the controller: {count, first index} of each list request.
    std::vector<std::pair<unsigned, unsigned>> pagesAsked() {
        std::vector<std::pair<unsigned, unsigned>> asked;
        for (const auto& e : sim.journal()) {
            if (e.scsiOperation != 85)
                continue;
            const std::uint8_t* r = e.fib.data() + 32 + 20;
            if (qorsim::get32(r, 0) == 7 && qorsim::get32(r, 4) != 0)
                asked.emplace_back(qorsim::get32(r, 4), qorsim::get32(r, 8));
        }
        return asked;
    }
};

TEST_F(SoftErrors, StateIsReadAndSet) {
    void* h = open();
    int state = -1;
    EXPECT_EQ(FsaShowSoftError(h, &state), FSA_STS_SUCCESS);
    EXPECT_EQ(state, 1);
    EXPECT_EQ(FsaSetSoftErrorState(h, 2), FSA_STS_SUCCESS);
    EXPECT_EQ(sim.snapshot(0).softErrors.state, 2u);
    EXPECT_EQ(FsaShowSoftError(h, &state), FSA_STS_SUCCESS);
    EXPECT_EQ(state, 2);
    EXPECT_EQ(FsaSetSoftErrorState(h, 3), FSA_STS_BAD_OPERATION);
    EXPECT_EQ(FsaSetSoftErrorState(h, -1), FSA_STS_BAD_OPERATION);
    EXPECT_EQ(sim.snapshot(0).softErrors.state, 2u);
    FsaCloseAdapter(h);
}

TEST_F(SoftErrors, RefusalsAndControllerFailures) {
    void* h = open();
    void* readOnly = open("qor0", FSA_ACC_READ_ONLY);
    void* without = open("qor1");
    int state = 0;
    std::vector<Disk> disks;
    EXPECT_EQ(FsaSetSoftErrorState(readOnly, 0), FSA_STS_NEEDS_READ_WRITE);
    EXPECT_EQ(FsaShowSoftError(without, &state), static_cast<FSA_STATUS>(599));
    EXPECT_EQ(FsaSetSoftErrorState(without, 0), static_cast<FSA_STATUS>(599));
    EXPECT_EQ(FsaShowSoftErrorDisks(without, collect, &disks), static_cast<FSA_STATUS>(599));
    EXPECT_EQ(FsaShowSoftError(nullptr, &state), FSA_STS_INVALID_HANDLE);

    const std::pair<std::uint32_t, FSA_STATUS> results[] = {{2, FSA_STS_FAILURE},
                                                            {1, static_cast<FSA_STATUS>(304)}};
    for (const auto& [word, status] : results) {
        sim.update(0, [w = word](qorsim::Adapter& a) { a.softErrors.forcedResult = w; });
        EXPECT_EQ(FsaShowSoftError(readOnly, &state), status);
        EXPECT_EQ(FsaSetSoftErrorState(h, 0), status);
        EXPECT_EQ(FsaShowSoftErrorDisks(h, collect, &disks), status);
    }
    sim.update(0, [](qorsim::Adapter& a) {
        a.softErrors.forcedResult = 0;
        a.softErrors.state = 7;
    });
    EXPECT_EQ(FsaShowSoftError(readOnly, &state), static_cast<FSA_STATUS>(304));

    qorsim::Fault fault;
    fault.request = qorsim::kSendFib;
    fault.scsiOperation = 85;
    fault.error = EIO;
    sim.inject(fault);
    EXPECT_EQ(FsaShowSoftError(readOnly, &state), FSA_STS_UX_IOCTL_FAILED);
    EXPECT_TRUE(disks.empty());
    FsaCloseAdapter(without);
    FsaCloseAdapter(readOnly);
    FsaCloseAdapter(h);
}

TEST_F(SoftErrors, DiskListComesInPagesOf28) {
    void* h = open("qor0", FSA_ACC_READ_ONLY);
    struct Case {
        std::size_t disks;
        std::vector<std::pair<unsigned, unsigned>> pages; // {count, first index}
    } cases[] = {
        {0, {}},
        {28, {{28, 0}}},
        {29, {{28, 0}, {1, 28}}},
        {57, {{28, 0}, {28, 28}, {1, 56}}},
    };
    for (const Case& c : cases) {
        setDisks(c.disks);
        sim.clearJournal();
        std::vector<Disk> disks;
        ASSERT_EQ(FsaShowSoftErrorDisks(h, collect, &disks), FSA_STS_SUCCESS);
        ASSERT_EQ(disks.size(), c.disks);
        for (std::size_t i = 0; i < disks.size(); ++i)
            EXPECT_EQ(disks[i], Disk(i % 3, i, 0, i % 4 & 1, i % 4 & 2)) << i;
        EXPECT_EQ(pagesAsked(), c.pages) << c.disks;
    }
    FsaCloseAdapter(h);
}

TEST_F(SoftErrors, AShortPageEndsTheWalk) {
    void* h = open("qor0", FSA_ACC_READ_ONLY);
    setDisks(40);
    sim.update(0, [](qorsim::Adapter& a) { a.softErrors.pageLimit = 10; });
    std::vector<Disk> disks;
    EXPECT_EQ(FsaShowSoftErrorDisks(h, collect, &disks), FSA_STS_SUCCESS);
    EXPECT_EQ(disks.size(), 10u);
    sim.update(0, [](qorsim::Adapter& a) { a.softErrors.pageLimit = 0; });
    disks.clear();
    EXPECT_EQ(FsaShowSoftErrorDisks(h, collect, &disks), FSA_STS_SUCCESS);
    EXPECT_TRUE(disks.empty());
    FsaCloseAdapter(h);
}

} // namespace
