// Certificate requests, uploads and views and the local-OS setting: the
// card's tool is the recording stand-in first on PATH; the view reads the
// stand-in libtelm.so.
#include "module_fixture.h"

#include "fake_telm.h"

#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace telmda_test {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using Args = std::vector<std::string>;

class CertTest : public ModuleTest {
protected:
    void SetUp() override {
        fake_telm::reset();
        m_dir = fs::temp_directory_path() / ("telmda-cert-" + std::to_string(getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        m_path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
        setToolOnPath(true);
        setenv("VORLIC_STANDIN_LOG", log().c_str(), 1);
        unsetenv("VORLIC_STANDIN_STATUS");
        unsetenv("VORLIC_STANDIN_FAIL_ARG");
        ModuleTest::SetUp();
    }
    void TearDown() override {
        ModuleTest::TearDown();
        setenv("PATH", m_path.c_str(), 1);
        unsetenv("VORLIC_STANDIN_LOG");
        fs::remove_all(m_dir);
    }
    void setToolOnPath(bool on) {
        const std::string path = on ? std::string(VORLIC_STANDIN_DIR) + ":" + m_path : m_path;
        setenv("PATH", path.c_str(), 1);
    }
    std::string log() const { return (m_dir / "vorlic.log").string(); }
    std::string canary() const { return (m_dir / "C").string(); }
    // The argument vectors the tool received, in order.
    std::vector<Args> toolCalls() const {
        std::vector<Args> calls;
        std::ifstream in(log());
        for (std::string line; std::getline(in, line);)
            calls.push_back(nlohmann::json::parse(line).get<Args>());
        return calls;
    }
    static Args config(const std::string& property, const std::string& value) {
        return {"config", "-g", "cfgRacSecurity", "-o", property, value};
    }
    std::vector<std::string> generate(std::vector<std::string> extra = {}) {
        std::vector<std::string> p = {"qvacmd=sslcertgenerate",
                                      "RSCSSLCertCommonName=host.example",
                                      "RSCSSLCertOrganizationName=Acme Corp",
                                      "RSCSSLCertOrganizationUnit=IT",
                                      "RSCSSLCertCountryCode=DE",
                                      "RSCSSLCertFilename=csr.pem"};
        p.insert(p.begin() + 1, extra.begin(), extra.end()); // the first of a name wins
        return p;
    }

    fs::path m_dir;
    std::string m_path;
};

TEST_F(CertTest, GenerateSetsEachPropertyThenRequests) {
    const XmlAnswer a = answer(generate({"RSCSSLCertStateName=Lower Saxony"}));
    EXPECT_EQ(a.status(), 0);
    EXPECT_THAT(toolCalls(), ElementsAre(config("cfgRacSecCsrCommonName", "host.example"),
                                         config("cfgRacSecCsrOrganizationName", "Acme Corp"),
                                         config("cfgRacSecCsrOrganizationUnit", "IT"),
                                         config("cfgRacSecCsrCountryCode", "DE"),
                                         config("cfgRacSecCsrLocalityName", ""),
                                         config("cfgRacSecCsrStateName", "Lower Saxony"),
                                         config("cfgRacSecCsrEmailAddr", ""),
                                         Args{"sslcsrgen", "-g", "-u", "-f", "csr.pem"}));
}

TEST_F(CertTest, ToolFailuresAndMissingInputs) {
    setenv("VORLIC_STANDIN_STATUS", "3", 1);
    setenv("VORLIC_STANDIN_FAIL_ARG", "cfgRacSecCsrOrganizationName", 1);
    XmlAnswer a = answer(generate());
    EXPECT_EQ(a.status(), 271);
    EXPECT_EQ(a.statusMessage(), "Failed to Configure SSL Certificate Organization Name");
    EXPECT_EQ(toolCalls().size(), 2u) << "properties before the failure stay set";

    setenv("VORLIC_STANDIN_FAIL_ARG", "sslcsrgen", 1);
    a = answer(generate());
    EXPECT_EQ(a.status(), -1);
    EXPECT_EQ(a.statusMessage(), "Failed to Generate SSL Certificate");

    setenv("VORLIC_STANDIN_FAIL_ARG", "cfgRacSecAuthLocalOsEnable", 1);
    a = answer({"qvacmd=setraclocalosauth", "RACAuthLocalOSEnable=1"});
    EXPECT_EQ(a.status(), -1);
    EXPECT_EQ(a.statusMessage(), "Error : 768 "); // the line break, as XML reads an attribute

    a = answer({"qvacmd=sslcertgenerate", "RSCSSLCertOrganizationName=x"});
    EXPECT_EQ(a.status(), 0x10D);
    EXPECT_EQ(XmlAnswer::text(a.find("CmdHelp")), "RSCSSLCertCommonName input missing or bad");
    a = answer({"qvacmd=sslcertupload", "RSCSSLCertFilename=f"});
    EXPECT_EQ(XmlAnswer::text(a.find("CmdHelp")), "RSCSSLCertType input missing or bad");
}

TEST_F(CertTest, AMissingToolIsReportedWithTheShellsStatus) {
    setToolOnPath(false);
    XmlAnswer a = answer({"qvacmd=sslcertupload", "RSCSSLCertFilename=f", "RSCSSLCertType=server"});
    EXPECT_EQ(a.status(), 271);
    EXPECT_EQ(a.statusMessage(), "Error : 32512 ");
    a = answer(generate());
    EXPECT_EQ(a.status(), 271);
    EXPECT_EQ(a.statusMessage(), "Failed to Configure SSL Certificate Common Name");
}

TEST_F(CertTest, EveryValueReachesTheToolAsOneArgument) {
    const std::string c = canary();
    for (const std::string& value : std::vector<std::string>{
             "x;touch " + c, "$(touch " + c + ")", "`touch " + c + "`", "a'b\"c\\d", "-rf",
             "two  words", "' ; touch " + c + " ; '", std::string("*")}) {
        SCOPED_TRACE(value);
        fs::remove(log());
        EXPECT_EQ(answer({"qvacmd=sslcertupload", "RSCSSLCertFilename=" + value,
                          "RSCSSLCertType=" + value})
                      .status(),
                  0);
        EXPECT_EQ(answer({"qvacmd=setraclocalosauth", "RACAuthLocalOSEnable=" + value}).status(),
                  0);
        EXPECT_EQ(answer(generate({"RSCSSLCertCommonName=" + value, "RSCSSLCertFilename=" + value}))
                      .status(),
                  0);
        const std::vector<Args> calls = toolCalls();
        ASSERT_EQ(calls.size(), 10u);
        EXPECT_EQ(calls[0], (Args{"sslcertupload", "-t" + value, "-f", value}));
        EXPECT_EQ(calls[1], config("cfgRacSecAuthLocalOsEnable", value));
        EXPECT_EQ(calls[2], config("cfgRacSecCsrCommonName", value));
        EXPECT_EQ(calls[9], (Args{"sslcsrgen", "-g", "-u", "-f", value}));
        EXPECT_FALSE(fs::exists(c)) << "the shell ran part of a value";
    }
}

TEST_F(CertTest, LineBreaksAndOverlongValuesAreRefusedBeforeTheToolRuns) {
    const std::string longValue(600, 'a');
    for (const std::string& bad : {std::string("a\nb"), std::string("a\rb"), longValue}) {
        SCOPED_TRACE(bad.size());
        for (const std::vector<std::string>& params : std::vector<std::vector<std::string>>{
                 generate({"RSCSSLCertEmailAddr=" + bad}),
                 generate({"RSCSSLCertFilename=" + bad}),
                 {"qvacmd=sslcertupload", "RSCSSLCertFilename=" + bad, "RSCSSLCertType=server"},
                 {"qvacmd=sslcertupload", "RSCSSLCertFilename=f", "RSCSSLCertType=" + bad},
                 {"qvacmd=setraclocalosauth", "RACAuthLocalOSEnable=" + bad}}) {
            EXPECT_EQ(answer(params).status(), 271) << params[0];
        }
    }
    EXPECT_EQ(answer({"qvacmd=sslcertview", "RSCSSLCertType=a\nb"}).status(), 271);
    EXPECT_FALSE(fs::exists(log())) << "the tool ran";
    EXPECT_TRUE(fake_telm::calls().empty());
}

TEST_F(CertTest, ViewTakesTheCardsTextApart) {
    fake_telm::setCommandOutput("certificate type=server\n"
                                "serial number=01:02\n"
                                "key size=2048\n"
                                "valid from=Jan 1 2026\n"
                                "valid to=Jan 1 2027\n"
                                "subject.CN=a\n"
                                "subject.O=b\n"
                                "subject without a dot\n"
                                "issuer.CN=ca\n");
    const XmlAnswer a = answer({"qvacmd=sslcertview", "RSCSSLCertType=server"});
    EXPECT_EQ(a.status(), 0);
    using Child = std::pair<std::string, std::string>;
    EXPECT_THAT(XmlAnswer::children(a.find("certEntry")),
                ElementsAre(Child{"type", "server"}, Child{"serial", "01:02"},
                            Child{"keySize", "2048"}, Child{"validFrom", "Jan 1 2026"},
                            Child{"validTo", "Jan 1 2027"}, Child{"subject", ".CN=a.O=b"},
                            Child{"issuer", ".CN=ca"}));
}

TEST_F(CertTest, ViewCutsSubjectAndIssuer) {
    fake_telm::setCommandOutput("subject." + std::string(200, 's') + "\nsubject." +
                                std::string(200, 't') + "\nissuer." + std::string(900, 'i') + "\n");
    const XmlAnswer a = answer({"qvacmd=sslcertview", "RSCSSLCertType=server"});
    const std::string subject = XmlAnswer::text(a.find("subject"));
    EXPECT_EQ(subject.size(), 255u);
    EXPECT_EQ(subject.substr(0, 202), "." + std::string(200, 's') + ".");
    EXPECT_EQ(XmlAnswer::text(a.find("issuer")), "." + std::string(254, 'i'));
}

TEST_F(CertTest, ViewFailures) {
    EXPECT_EQ(answer({"qvacmd=sslcertview", "RSCSSLCertType=server"}).status(), 1032)
        << "an empty text";
    for (const char* type : {"a b", "x;y", "", "$(id)", "abcdefghijklmnopqrstuvwxyz0123456789"}) {
        SCOPED_TRACE(type);
        const XmlAnswer a = answer({"qvacmd=sslcertview", std::string("RSCSSLCertType=") + type});
        EXPECT_EQ(a.status(), 1032);
        EXPECT_EQ(a.statusMessage(), "TYMC View Certificate Failed. ");
    }
    EXPECT_EQ(fake_telm::calls().size(), 1u) << "only the well-formed type reached the card";
    EXPECT_EQ(answer({"qvacmd=sslcertview"}).status(), 0x10D);
}

} // namespace
} // namespace telmda_test
