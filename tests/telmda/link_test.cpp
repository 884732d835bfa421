// The card link binding against a stand-in libtelm.so that counts its loads
// and unloads and records every call.
#include "module_fixture.h"

#include "fake_telm.h"
#include "mgmthost/mgmthost_standin.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <thread>

namespace telmda_test {
namespace {

using ::testing::ElementsAre;

class LinkTest : public ModuleTest {
protected:
    void SetUp() override {
        fake_telm::reset();
        ModuleTest::SetUp();
    }
    static int journalCount(const char* function) {
        const auto j = ocs_standin::journal();
        return static_cast<int>(std::count(j.begin(), j.end(), function));
    }
};

TEST_F(LinkTest, PppAddressIsReadOnceThenCachedUntilTheLastDetach) {
    fake_telm::setObject(16, 2, "192.168.234.236");
    for (int i = 0; i < 2; ++i) {
        const XmlAnswer a = answer({"qvacmd=getracpppaddress"});
        EXPECT_EQ(a.status(), 0);
        EXPECT_EQ(XmlAnswer::text(a.find("RACPPPAddress")), "192.168.234.236");
    }
    EXPECT_THAT(fake_telm::calls(), ElementsAre("get 259 16 2 0 16"));
    EXPECT_EQ(fake_telm::loads(), 1);
    EXPECT_EQ(fake_telm::unloads(), 0);
    m_module.reset();
    EXPECT_EQ(fake_telm::unloads(), 1) << "the last detach unbinds";
}

TEST_F(LinkTest, CardTextsAreTerminatedWithinTheirBuffers) {
    fake_telm::setObject(16, 2, "0123456789abcdefXYZ"); // fills the 16 bytes, no NUL
    fake_telm::setObject(18, 13, "enabled-and-more");
    EXPECT_EQ(XmlAnswer::text(answer({"qvacmd=getracpppaddress"}).find("RACPPPAddress")),
              "0123456789abcde");
    EXPECT_EQ(XmlAnswer::text(answer({"qvacmd=getraclocalosauth"}).find("RACAuthLocalOSEnable")),
              "enabled-a");
}

TEST_F(LinkTest, AFailedCardReadIsTheStatusAndIsNotCached) {
    fake_telm::setObject(16, 2, "", 3);
    for (int i = 0; i < 2; ++i) {
        const XmlAnswer a = answer({"qvacmd=getracpppaddress"});
        EXPECT_EQ(a.status(), 3);
        EXPECT_EQ(a.find("RACPPPAddress"), nullptr);
    }
    EXPECT_EQ(fake_telm::calls().size(), 2u) << "the card is asked again";
    EXPECT_EQ(answer({"qvacmd=getraclocalosauth"}).status(), -1) << "object unknown: -1";
}

TEST_F(LinkTest, HelpAsksNothingOfTheCard) {
    const XmlAnswer a = answer({"qvacmd=getracpppaddress", "cmdhelp=1"});
    EXPECT_EQ(a.status(), -1);
    EXPECT_EQ(XmlAnswer::text(a.find("CmdHelp")), "required_input(s): ");
    EXPECT_EQ(fake_telm::loads(), 0);
}

TEST_F(LinkTest, AMissingLibraryOrFunctionFailsTheBindingWhichIsTriedAgain) {
    fake_telm::setObject(16, 2, "10.0.0.1");
    fake_telm::setObject(18, 13, "1");
    ocs_standin::failLink("devuzObjName");
    EXPECT_EQ(answer({"qvacmd=getracpppaddress"}).status(), -1);
    EXPECT_EQ(answer({"qvacmd=getraclocalosauth"}).status(), -1);
    EXPECT_EQ(fake_telm::loads(), 2);
    EXPECT_EQ(fake_telm::unloads(), 2) << "unloaded once per failed binding";
    EXPECT_EQ(journalCount("OCSLibUnLoad"), 2);
    EXPECT_TRUE(fake_telm::calls().empty());

    ocs_standin::failLink("");
    ocs_standin::failLibLoad(true);
    EXPECT_EQ(answer({"qvacmd=getracpppaddress"}).status(), -1);
    ocs_standin::failLibLoad(false);
    EXPECT_EQ(answer({"qvacmd=getracpppaddress"}).status(), 0);
    EXPECT_EQ(fake_telm::loads(), 3);
}

TEST_F(LinkTest, ACertificateViewUnbindsAndTheNextUserBindsAgain) {
    fake_telm::setObject(18, 13, "1");
    fake_telm::setCommandOutput("certificate type=server\n");
    EXPECT_EQ(answer({"qvacmd=getraclocalosauth"}).status(), 0);
    EXPECT_EQ(answer({"qvacmd=sslcertview", "RSCSSLCertType=server"}).status(), 0);
    EXPECT_EQ(fake_telm::unloads(), 1);
    const XmlAnswer a = answer({"qvacmd=getraclocalosauth"});
    EXPECT_EQ(XmlAnswer::text(a.find("RACAuthLocalOSEnable")), "1");
    EXPECT_EQ(fake_telm::loads(), 2);
    EXPECT_THAT(fake_telm::calls(),
                ElementsAre("get 259 18 13 0 10", "name 259 sslcertview -tserver 1024",
                            "get 259 18 13 0 10"));
}

TEST_F(LinkTest, TheLibraryStaysLoadedWhileACallRunsThroughIt) {
    fake_telm::setObject(18, 13, "1");
    fake_telm::holdCalls(true);
    std::optional<std::string> text;
    std::thread caller([&] { text = request({"qvacmd=getraclocalosauth"}); });
    const bool held = fake_telm::waitForHeldCall();
    EXPECT_TRUE(held) << "the call never reached the library";
    m_module->symbol<void (*)()>("UnLoadRACLibIntf")();
    EXPECT_EQ(fake_telm::unloads(), 0) << "unloaded under a running call";
    fake_telm::holdCalls(false);
    caller.join();
    ASSERT_TRUE(text.has_value());
    EXPECT_EQ(XmlAnswer(*text).status(), 0);
    EXPECT_EQ(fake_telm::unloads(), 1) << "the last running call unbinds";
}

TEST_F(LinkTest, FailingAnyHostAllocationLeavesNothingBehind) {
    fake_telm::setObject(16, 2, "10.0.0.1");
    fake_telm::setObject(18, 13, "1");
    fake_telm::setCommandOutput("subject.CN=a\n");
    for (const std::vector<std::string>& params :
         std::vector<std::vector<std::string>>{{"qvacmd=getracpppaddress"},
                                               {"qvacmd=getraclocalosauth"},
                                               {"qvacmd=sslcertview", "RSCSSLCertType=server"}}) {
        SCOPED_TRACE(params[0]);
        bool sawNoMemory = false;
        for (unsigned n = 1;; ++n) {
            ocs_standin::failAllocationAt(n);
            const std::optional<std::string> text = request(params);
            const bool reached = ocs_standin::allocationCount() >= n;
            ocs_standin::failAllocationAt(0);
            if (text) {
                const XmlAnswer a(*text);
                EXPECT_TRUE(a.wellFormed()) << *text;
                sawNoMemory |= a.status() == 272 || a.status() == 1034;
            }
            // The binding and the cache live until the last detach.
            m_module.reset();
            EXPECT_EQ(ocs_standin::liveObjects(), 0u) << "step " << n;
            m_module.emplace();
            if (!reached)
                break;
            ASSERT_LT(n, 50u);
        }
        EXPECT_EQ(sawNoMemory, params[0] != "qvacmd=getraclocalosauth");
    }
}

} // namespace
} // namespace telmda_test
