// End to end: the module binds the real libtelm through the host's loader
// and reads the simulated card over its framed protocol (inside the sandbox,
// where the card's address is on loopback).
#include "module_fixture.h"

#include "card_sim.h"

#include <gmock/gmock.h>

namespace telmda_test {
namespace {

class CardLinkEndToEnd : public ModuleTest {
protected:
    void SetUp() override {
        cardsim::Config config;
        config.objects[{16, 2, 0}] = "192.168.234.236";
        config.objects[{18, 13, 0}] = "1";
        config.commands["sslcertview"] = {"certificate type=server\nsubject.CN=rac\n", 0};
        m_card.emplace(config);
        std::string error;
        ASSERT_TRUE(m_card->start(&error)) << error;
        ModuleTest::SetUp();
    }
    void TearDown() override {
        ModuleTest::TearDown();
        m_card.reset();
    }
    std::optional<cardsim::CardSim> m_card;
};

TEST_F(CardLinkEndToEnd, ReadsThePppAddressOnceThroughTheRealLibrary) {
    for (int i = 0; i < 2; ++i) {
        const XmlAnswer a = answer({"qvacmd=getracpppaddress"});
        EXPECT_EQ(a.status(), 0);
        EXPECT_EQ(XmlAnswer::text(a.find("RACPPPAddress")), "192.168.234.236");
    }
    const std::vector<cardsim::Request> frames = m_card->journal();
    ASSERT_EQ(frames.size(), 1u) << "the address is cached";
    EXPECT_TRUE(frames[0].valid) << frames[0].error;
}

TEST_F(CardLinkEndToEnd, LocalOsAuthenticationAndACertificateView) {
    EXPECT_EQ(XmlAnswer::text(answer({"qvacmd=getraclocalosauth"}).find("RACAuthLocalOSEnable")),
              "1");
    const XmlAnswer view = answer({"qvacmd=sslcertview", "RSCSSLCertType=server"});
    EXPECT_EQ(view.status(), 0);
    EXPECT_EQ(XmlAnswer::text(view.find("type")), "server");
    EXPECT_EQ(XmlAnswer::text(view.find("subject")), ".CN=rac");
    for (const cardsim::Request& r : m_card->journal())
        EXPECT_TRUE(r.valid) << r.error;
}

TEST_F(CardLinkEndToEnd, ACardThatDoesNotAnswerFailsTheRead) {
    m_card->setFault(cardsim::ReplyFault::NoReply);
    const XmlAnswer a = answer({"qvacmd=getracpppaddress"});
    EXPECT_EQ(a.status(), -1);
    EXPECT_EQ(a.find("RACPPPAddress"), nullptr);
}

} // namespace
} // namespace telmda_test
