#include "SimFixture.h"

#include "AdapterType.h"
#include "HandleTable.h"
#include "NameParse.h"
#include "OsLayer.h"
#include "WideString.h"

#include <fcntl.h>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using fsatest::narrow;
using fsatest::SimTest;

// Contexts are stand-in addresses here: nothing below releases them.
TEST(HandleTable, AHandleIsFoundFromItsPublicationToItsClose) {
    std::vector<void*> handles;
    std::vector<FSAAPI_CONTEXT*> contexts;
    for (int i = 0; i < 11; ++i) {
        contexts.push_back(reinterpret_cast<FSAAPI_CONTEXT*>(std::uintptr_t(0x1000 + 16 * i)));
        handles.push_back(UtilCreateHandle(contexts.back()));
    }
    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(UtilGetContextFromHandle(handles[i]).get(), nullptr) << "unpublished " << i;
        UtilPublishHandle(handles[i]);
        EXPECT_EQ(UtilGetContextFromHandle(handles[i]).get(), contexts[i]);
    }
    EXPECT_EQ(UtilDeleteHandle(handles[4]), 1);
    EXPECT_EQ(UtilDeleteHandle(handles[4]), 0);
    EXPECT_EQ(UtilGetContextFromHandle(handles[4]).get(), nullptr);
    for (int i = 0; i < 11; ++i) {
        if (i == 4)
            continue;
        EXPECT_EQ(UtilCloseHandle(handles[i]), contexts[i]);
        EXPECT_EQ(UtilCloseHandle(handles[i]), nullptr) << "closed twice " << i;
        EXPECT_EQ(UtilGetContextFromHandle(handles[i]).get(), nullptr) << "closed " << i;
        EXPECT_TRUE(UtilReleaseNowOrOnLastCall(contexts[i]));
        EXPECT_TRUE(UtilFreeNowOrOnLastHold(contexts[i]));
    }
    EXPECT_EQ(UtilHandleCount(), 0u);
    EXPECT_EQ(UtilGetContextFromHandle(nullptr).get(), nullptr);
}

// Close counts the calls of other threads only: a close from inside a call
// on the same adapter would otherwise wait for itself.
TEST(HandleTable, CallsInFlightAreCountedPerThread) {
    auto* ctx = reinterpret_cast<FSAAPI_CONTEXT*>(std::uintptr_t(0x2000));
    void* handle = UtilCreateHandle(ctx);
    UtilPublishHandle(handle);
    FsaContextHold outer = UtilGetContextFromHandle(handle);
    FsaContextHold wait = UtilHoldContext(handle, FsaHoldKind::ReceiveWait);
    ASSERT_EQ(UtilCloseHandle(handle), ctx);
    EXPECT_EQ(UtilOtherCallsInFlight(ctx), 0u) << "the caller's own call and a receive wait";
    std::uint32_t seenByAnother = 99;
    std::thread([&] { seenByAnother = UtilOtherCallsInFlight(ctx); }).join();
    EXPECT_EQ(seenByAnother, 1u);
    outer.reset();
    EXPECT_TRUE(UtilReleaseNowOrOnLastCall(ctx)) << "a receive wait does not put the release off";
    wait.reset();
    EXPECT_TRUE(UtilFreeNowOrOnLastHold(ctx));
    EXPECT_EQ(UtilHandleCount(), 0u);
}

struct Parsed {
    FSA_STATUS status;
    std::string adapter, host, domain;
};

Parsed parse(const std::u32string& name) {
    FA_WCHAR adapter[132] = {}, host[259] = {}, domain[51] = {};
    Parsed p{FsaParseAdapterName(name.c_str(), adapter, 132, host, 259, domain, 51), "", "", ""};
    p.adapter = narrow(adapter);
    p.host = narrow(host);
    p.domain = narrow(domain);
    return p;
}

TEST(AdapterNames, Forms) {
    const struct {
        std::u32string name;
        FSA_STATUS status;
        const char* adapter;
        const char* host;
        const char* domain;
    } cases[] = {
        {U"qor0", FSA_STS_SUCCESS, "QOR0", "", ""},
        {U"\\qor0", FSA_STS_SUCCESS, "QOR0", "", ""},
        {U" \t\\qor0", FSA_STS_SUCCESS, "QOR0", "", ""},
        {U"\\\\box\\qor0", FSA_STS_SUCCESS, "QOR0", "BOX", ""},
        {U"\\\\\\dom\\\\box\\qor0", FSA_STS_SUCCESS, "QOR0", "BOX", "DOM"},
        {U"\\\\box", FSA_STS_SUCCESS, "", "BOX", ""},
        {U" qor0", FSA_STS_INVALID_ADAPTER_NAME, "", "", ""},
        {U"\\\\box\\\\qor0", FSA_STS_INVALID_ADAPTER_NAME, "", "", ""},
        {U"", FSA_STS_INVALID_ADAPTER_NAME, "", "", ""},
        {std::u32string(829, U'a'), FSA_STS_INVALID_ADAPTER_NAME, "", "", ""},
        {std::u32string(830, U'a'), FSA_STS_NAME_TOO_LONG, "", "", ""},
    };
    for (const auto& c : cases) {
        const Parsed p = parse(c.name);
        SCOPED_TRACE(
            std::string(c.name.begin(), c.name.begin() + std::min<std::size_t>(c.name.size(), 20)));
        EXPECT_EQ(p.status, c.status);
        if (c.status == FSA_STS_SUCCESS) {
            EXPECT_EQ(p.adapter, c.adapter);
            EXPECT_EQ(p.host, c.host);
            EXPECT_EQ(p.domain, c.domain);
        }
    }
}

TEST(WideStrings, CaseAndCompare) {
    FA_WCHAR text[] = U"`azAZ[{";
    FA_wcsupr(text);
    EXPECT_EQ(narrow(text), "`AZAZ[{");
    FA_WCHAR lower[] = U"@AZaz[";
    FA_wcslwr(lower);
    EXPECT_EQ(narrow(lower), "@azaz[");
    EXPECT_EQ(FA_wcscmp(U"abc", U"abd"), -1);
    EXPECT_EQ(FA_wcscmp(U"abc", U"abc"), 0);
    EXPECT_EQ(FA_wcsncmp(U"abc", U"abd", 2), 0);
    EXPECT_EQ(FA_wcstol(U"1234x", nullptr, 10), 1234);
    FA_WCHAR buffer[8] = U"ab";
    FA_wcsncat(buffer, U"cdefghij", 6);
    EXPECT_EQ(std::u32string(buffer, 6), U"abcdef");
    FA_WCHAR wide[4];
    EXPECT_EQ(FA_mbstowcs(wide, "\xE9x", 4), 2u);
    EXPECT_EQ(static_cast<std::int32_t>(wide[0]), -23); // bytes are sign-extended
}

TEST(AdapterTypes, PlatformAndText) {
    EXPECT_EQ(TranslatePLATtoAT(19, 2), 10u);
    EXPECT_EQ(TranslatePLATtoAT(19, 3), 11u);
    EXPECT_EQ(TranslatePLATtoAT(19, 7), 12u);
    EXPECT_EQ(TranslatePLATtoAT(13, 1), 0u);
    EXPECT_EQ(TranslatePLATtoAT(21, 1), 0u);
    FA_WCHAR text[18];
    TranslateAdapterTypeToText(1, text);
    EXPECT_EQ(narrow(text), "SW Simulator");
    TranslateAdapterTypeToText(99, text);
    EXPECT_EQ(narrow(text), "Unknown");
    EXPECT_EQ(FsaUtilIsFSPerfMonEnabledA("host", "qor0", nullptr), FSA_STS_NOT_AVAILABLE_ON_OS);
}

struct Found {
    std::vector<std::string> names;
    std::vector<FSA_STATUS> codes;
    FSA_STATUS answer = FSA_STS_SUCCESS;
    static FSA_STATUS callback(FSA_STATUS code, _tagFSA_ADAPTER_ENUM_INFO* info, void* user) {
        auto* self = static_cast<Found*>(user);
        self->codes.push_back(code);
        if (info)
            self->names.push_back(narrow(info->deviceName) + "/" +
                                  std::to_string(info->availability));
        return self->answer;
    }
};

TEST_F(SimTest, EnumerationReportsEachAdapterThenTheEnd) {
    Found found;
    EXPECT_EQ(FsaEnumAdaptersA(".", nullptr, &found, Found::callback), FSA_STS_SUCCESS);
    EXPECT_EQ(found.names, (std::vector<std::string>{"qor0/3", "qor2/3"}));
    EXPECT_EQ(found.codes.back(), FSA_STS_ALL_ITERATED);
    Found stop;
    stop.answer = FSA_STATUS(0);
    EXPECT_EQ(FsaLocalEnumAdapters(&stop, Found::callback), FSA_STS_SUCCESS);
    EXPECT_EQ(stop.codes.size(), 1u); // neither more records nor the end call
    EXPECT_EQ(FsaEnumAdaptersA("elsewhere", nullptr, &found, Found::callback),
              FSA_STS_NOT_AVAILABLE_ON_OS);

    _tagFSA_ADAPTER_ENUM_INFO info;
    EXPECT_EQ(FsaGetLocalAdapterInfo(1, &info), FSA_STS_NO_ADAPTER); // qor2 lies further on
    ASSERT_EQ(FsaGetLocalAdapterInfo(2, &info), FSA_STS_SUCCESS);
    EXPECT_EQ(narrow(info.deviceName), "qor2");
    EXPECT_EQ(info.adapterType, 11u);

    sim.load(R"({"adapters": []})");
    Found none;
    EXPECT_EQ(FsaEnumAdaptersA(nullptr, nullptr, &none, Found::callback), FSA_STS_NO_ADAPTER);
    EXPECT_EQ(none.codes, std::vector<FSA_STATUS>{FSA_STS_ALL_ITERATED});
}

TEST_F(SimTest, EnumerationEndsOnADriverFailure) {
    qorsim::Fault fault;
    fault.request = qorsim::kSendFib;
    fault.adapter = 2;
    fault.error = EIO;
    sim.inject(fault);
    Found found;
    EXPECT_EQ(FsaEnumAdaptersA(nullptr, nullptr, &found, Found::callback), FSA_STS_UX_IOCTL_FAILED);
    EXPECT_EQ(found.codes, std::vector<FSA_STATUS>{FSA_STS_SUCCESS}); // qor0, then no end call
    EXPECT_EQ(sim.openNodeCount(), 0u);
}

// Lines for the SCSI mid-layer land in a file of the test.
class ScsiFilePort final : public fsa::OsPort {
public:
    explicit ScsiFilePort(fsa::OsPort& next) : m_next(next) {}
    int open(const char* path, int flags, unsigned mode) override {
        if (std::string(path) == "/proc/scsi/scsi")
            return m_next.open("/tmp/scsi", flags | O_CREAT | O_APPEND, 0600);
        return m_next.open(path, flags, mode);
    }
    int close(int fd) override { return m_next.close(fd); }
    int ioctl(int fd, unsigned long r, void* a) override { return m_next.ioctl(fd, r, a); }
    int fcntl(int fd, int c, void* a) override { return m_next.fcntl(fd, c, a); }

private:
    fsa::OsPort& m_next;
};

TEST_F(SimTest, ContainerExposureAndRemoval) {
    sim.update(0, [](qorsim::Adapter& a) {
        a.hostDisks[2] = qorsim::HostDisk{2, 0, 5, 0, true, false, false, false, "sdb"};
        a.hostDisks[3] = qorsim::HostDisk{1, 0, 6, 0, true, true, false, false, "sdc"};
    });
    ScsiFilePort scsiPort(port);
    fsa::setOsPort(&scsiPort);
    void* h = open();
    FSAAPI_CONTEXT* ctx = UtilGetContextFromHandle(h).get();
    faos_ExposeCtrToOs(ctx, 2, 0);
    faos_ExposeCtrToOs(ctx, 24, 0); // beyond the host's containers: nothing
    EXPECT_THROW(faos_PrepareCtrForRemoval(ctx, 3, 0, 0), FSA_STATUS);
    std::unique_ptr<FAOS_CTR_REMOVE> record(faos_PrepareCtrForRemoval(ctx, 3, 0, 1));
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(record->force);
    std::unique_ptr<FAOS_CTR_REMOVE> plain(faos_PrepareCtrForRemoval(ctx, 2, 0, 0));
    faos_CtrRemovalComplete(ctx, 2, 0, plain.get());
    EXPECT_TRUE(sim.snapshot(0).hostDisks.at(2).deleted);
    std::ifstream in("/tmp/scsi");
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(all, "scsi add-single-device 2 0 5 0scsi remove-single-device 2 0 5 0");
    FsaCloseAdapter(h);
}

} // namespace
