// Hostile card data and request values, and failures of the host's
// allocations and the data manager's reads at every step of every command.
#include "module_fixture.h"

#include "mgmthost/mgmthost_standin.h"
#include "smil/smil_standin.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <cstdio>

namespace telmda_test {
namespace {

const std::string kHostile = "<a&b]]>\"q'\x01\x1f\x7f\xff\xc3(%n%s%x";

// Every parameter a command of the table reads, all set to `value`: those of
// the settable card fields, and the others.
std::vector<std::string> allParams(const std::string& command, const std::string& value) {
    std::vector<std::string> params = {"qvacmd=" + command};
    for (const char* name :
         {"qvausrinfo", "objtype", "instance", "poid", "oid", "index",
#define CARD_FIELD(object, offset, width, kind, element)
#define CARD_SETTING(object, offset, width, kind, element, hostSuffix, setter, shape, param, log,  \
                     logId, group, id, set, command, handler)                                      \
    param,
#include "telmda/card_fields.def"
          "RSCSSLCertCommonName", "RSCSSLCertOrganizationName", "RSCSSLCertOrganizationUnit",
          "RSCSSLCertCountryCode", "RSCSSLCertFilename", "RSCSSLCertType", "RACAuthLocalOSEnable"})
        params.push_back(std::string(name) + "=" + value);
    return params;
}

std::string hex(const std::string& bytes) {
    std::string out;
    char two[3];
    for (unsigned char c : bytes) {
        std::snprintf(two, sizeof two, "%02x", c);
        out += two;
    }
    return out;
}

// Parameters that lead every command down its working path.
std::vector<std::string> workingParams(const std::string& command) {
    std::vector<std::string> params = allParams(command, "2");
    for (const char* p :
         {"qvausrinfo=admin", "objtype=295", "instance=1", "poid=2", "oid=400", "index=1"})
        params.push_back(p); // the first of a name wins: put these first
    std::rotate(params.begin() + 1, params.end() - 6, params.end());
    return params;
}

// The card with every text field of every view object holding hostile text.
nlohmann::json hostileCard() {
    nlohmann::json card = standardCard();
    nlohmann::json empty = nlohmann::json::array();
    for (nlohmann::json& o : card["objects"])
        for (nlohmann::json& f : o.contains("fields") ? o["fields"] : empty)
            if (f.contains("text")) {
                f.erase("text");
                f["hex"] =
                    hex(kHostile.substr(0, 15) + '\0'); // raw bytes: JSON text cannot hold them
            }
    return card;
}

using HostileTest = ModuleTest;

TEST_F(HostileTest, HostileCardTextsAreEscaped) {
    useCard(hostileCard());
    for (const std::string& command : m_module->commandNames()) {
        SCOPED_TRACE(command);
        answer({"qvacmd=" + command, "qvausrinfo=admin"});
    }
    const XmlAnswer lan = answer({"qvacmd=getrsclannetworkingobj"});
    // Printable parts (and DEL, which XML allows) survive; control bytes and
    // broken UTF-8 become U+FFFD.
    EXPECT_EQ(XmlAnswer::text(lan.find("IPAddress")),
              "<a&b]]>\"q'\xEF\xBF\xBD\xEF\xBF\xBD\x7F\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST_F(HostileTest, HostileRequestValuesAreEscaped) {
    for (const std::string& value :
         {kHostile, std::string("%n%n%n%n"), std::string(5000, '<'), std::string()}) {
        for (const std::string& command : m_module->commandNames()) {
            SCOPED_TRACE(command);
            answer(allParams(command, value));
        }
    }
    // A value that reaches a message comes back intact, escaped on the way.
    nlohmann::json card = standardCard();
    removeType(card, 292);
    useCard(card);
    const XmlAnswer a =
        answer({"qvacmd=setrscipaddress", "qvausrinfo=x", "RSCIPAddress=<&]]>\"'%n"});
    EXPECT_EQ(a.statusMessage(), "<&]]>\"'%n");
}

// Runs one request with the n-th failure planned by `plan`, for n = 1, 2, ...
// until a run no longer reaches the planned failure; after each run nothing
// the request took from the host or the data manager may be left.
template <typename Plan, typename Count>
void failEachStep(ModuleTest* test, LoadedModule& module, const std::vector<std::string>& params,
                  Plan plan, Count used) {
    const std::size_t hostBaseline = ocs_standin::liveObjects();
    for (unsigned n = 1; n < 500; ++n) {
        plan(n);
        const std::optional<std::string> text = module.request(params);
        const bool reached = used() >= n;
        plan(0);
        if (text) {
            EXPECT_TRUE(XmlAnswer(*text).wellFormed()) << "step " << n << ": " << *text;
        }
        EXPECT_EQ(ocs_standin::liveObjects(), hostBaseline) << "step " << n;
        EXPECT_EQ(smil_standin::liveObjects(), 0u) << "step " << n;
        if (!reached)
            return;
    }
    ADD_FAILURE() << "the request never stopped reaching the planned failure";
    (void)test;
}

TEST_F(HostileTest, FailingAnyHostAllocationLeavesNothingBehind) {
    for (const std::string& command : m_module->commandNames()) {
        SCOPED_TRACE(command);
        failEachStep(this, *m_module, workingParams(command), ocs_standin::failAllocationAt,
                     ocs_standin::allocationCount);
    }
}

TEST_F(HostileTest, FailingAnyObjectReadLeavesNothingBehind) {
    for (const std::string& command : m_module->commandNames()) {
        SCOPED_TRACE(command);
        failEachStep(this, *m_module, workingParams(command), smil_standin::failReadAt,
                     smil_standin::readCount);
    }
}

TEST_F(HostileTest, DataManagerDownAnswersAsACardWithoutObjects) {
    smil_standin::setReady(false);
    for (const std::string& command : m_module->commandNames()) {
        SCOPED_TRACE(command);
        answer(allParams(command, "1"));
    }
    EXPECT_EQ(answer({"qvacmd=getsummary"}).status(), 256);
}

} // namespace
} // namespace telmda_test
