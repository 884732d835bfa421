// Object access, lookups, presence and capability filters, called in-process.
#include "card_fixture.h"
#include "xml_answer.h"

#include "mgmthost/mgmthost_standin.h"
#include "smil/smil.h"
#include "smil/smil_standin.h"
#include "telmda/card_objects.h"
#include "telmda/views.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace telmda_test {
namespace {

using ::testing::ElementsAre;
using Handler = char* (*)(int32_t, OCSParamList);

class ObjectAccess : public ::testing::Test {
protected:
    void SetUp() override {
        ocs_standin::reset();
        smil_standin::reset();
        nlohmann::json card = standardCard();
        // Two users whose names differ only in case, the second listed first.
        card["objects"].push_back(objectJson(402, 295, 860, {field(60, "text", "Operator")}));
        card["objects"].push_back(objectJson(403, 295, 860, {field(60, "text", "OPERATOR")}));
        smil_standin::loadJson(card.dump());
    }
    void TearDown() override {
        EXPECT_EQ(smil_standin::liveObjects(), 0u);
        EXPECT_EQ(smil_standin::badFrees(), 0u);
        EXPECT_EQ(ocs_standin::badFrees(), 0u);
    }

    static std::string call(Handler h, std::vector<const char*> params) {
        char* text = h(static_cast<int32_t>(params.size()), params.data());
        std::string out = text ? text : "";
        if (text)
            OCSXFreeBufContent(text);
        return out;
    }
    // Writes into a fresh buffer and answers its text.
    static std::string written(const std::function<void(OCSXBuf*)>& write) {
        OCSXBuf* buf = OCSXAllocBuf(256, 0);
        write(buf);
        std::string out = buf->text;
        OCSXFreeBuf(buf);
        return out;
    }
};

struct QueryCase {
    Handler handler;
    std::vector<const char*> params;
    int status;
    const char* element; // expected element (null: none)
    const char* value;
};

TEST_F(ObjectAccess, GenericQueries) {
    const QueryCase cases[] = {
        {CMDHipGetOIDByType, {"objtype=295", "instance=1"}, 0, "OID", "401"},
        {CMDHipGetOIDByType, {"objtype=295", "instance=9"}, 0, nullptr, nullptr},
        {CMDHipGetOIDByType,
         {"instance=1"},
         OCS_XVAL_MISSING,
         "CmdHelp",
         "objtype input missing or bad"},
        {CMDHipGetOIDByType,
         {"objtype=295", "instance=x"},
         OCS_XVAL_BAD,
         "CmdHelp",
         "instance input missing or bad"},
        {CMDHipGetOIDByType,
         {"objtype=70000", "instance=0"},
         OCS_XVAL_BAD,
         "CmdHelp",
         "objtype input missing or bad"},
        {CMDHipGetObjCountByType, {"objtype=295"}, 0, "ObjCount", "4"},
        {CMDHipGetObjCountByType, {"poid=2", "objtype=296"}, 0, "ObjCount", "2"},
        {CMDHipGetObjCountByType, {"poid=bad", "objtype=296"}, 0, "ObjCount", "2"},
        {CMDHipGetObjCountByType, {"poid=999", "objtype=296"}, 0, "ObjCount", "0"},
        {CMDHipGetObjCountByType,
         {"poid=2"},
         OCS_XVAL_MISSING,
         "CmdHelp",
         "objtype input missing or bad"},
    };
    for (const QueryCase& c : cases) {
        const std::string text = call(c.handler, c.params);
        SCOPED_TRACE(text);
        const XmlAnswer a(text);
        EXPECT_EQ(a.status(), c.status);
        if (c.element) {
            EXPECT_EQ(a.top().size(), 2u);
            EXPECT_EQ(XmlAnswer::text(a.find(c.element)), c.value);
        } else {
            EXPECT_THAT(a.topNames(), ElementsAre("SMStatus"));
        }
    }
}

TEST_F(ObjectAccess, ObjectElementsCarryOidAndStatus) {
    const uint32_t oid = 401;
    void* object = SMILGetObjByOID(&oid);
    EXPECT_EQ(written([&](OCSXBuf* b) { DASHipObjCatBeginNode(object, b, "E", "index=\"3\""); }),
              "<E oid=\"401\" status=\"2\" index=\"3\">");
    EXPECT_EQ(written([&](OCSXBuf* b) { DASHipObjCatEmptyNode(object, b, "E", nullptr); }),
              "<E oid=\"401\" status=\"2\"/>");
    EXPECT_EQ(
        written([&](OCSXBuf* b) { EXPECT_EQ(DASHipObjCatXNode(object, b, "E", nullptr, 3), 0); }),
        "");
    EXPECT_EQ(
        written([&](OCSXBuf* b) { EXPECT_EQ(DASHipObjCatXNode(nullptr, b, "E", nullptr, 1), -1); }),
        "");
    EXPECT_EQ(DASGetByOffsetUstr(object, 858), reinterpret_cast<const char*>(object) + 858);
    EXPECT_EQ(DASGetByOffsetUstr(object, 859), nullptr);
    SMILFreeGeneric(object);

    nlohmann::json card = standardCard();
    card["objects"].push_back(objectJson(900, 295, 860, {}, {1, 2}, 0));
    smil_standin::loadJson(card.dump());
    const uint32_t zero = 900;
    object = SMILGetObjByOID(&zero);
    EXPECT_EQ(written([&](OCSXBuf* b) { DASHipObjCatEmptyNode(object, b, "E", nullptr); }),
              "<E oid=\"900\" status=\"0\"/>");
    SMILFreeGeneric(object);
}

TEST_F(ObjectAccess, ParentLookups) {
    const uint32_t oid = 400, none = 12345;
    const uint32_t root = 1;
    void* parent = DASSMILGetParentObjByOID(&oid);
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(reinterpret_cast<const uint32_t*>(parent)[1], 1u);
    SMILFreeGeneric(parent);
    parent = DASSMILGetParentObjByType(&oid, 2);
    ASSERT_NE(parent, nullptr);
    EXPECT_EQ(reinterpret_cast<const uint32_t*>(parent)[1], 2u);
    SMILFreeGeneric(parent);
    EXPECT_EQ(DASSMILGetParentObjByOID(&none), nullptr);
    EXPECT_EQ(DASSMILGetParentObjByOID(nullptr), nullptr);
    EXPECT_EQ(DASSMILGetParentObjByOID(&root), nullptr) << "an empty parent list";
}

struct InitCase {
    std::vector<const char*> params;
    uint16_t expectedType;
    int32_t status;
    const char* note;   // CmdHelp text, null when none
    uint32_t objectOid; // 0: no object
};

TEST_F(ObjectAccess, SetCommandPreamble) {
    const InitCase cases[] = {
        {{"cmdhelp=", "qvausrinfo=u", "oid=400"}, 295, -1, "help!", 0},
        {{"oid=400"}, 295, 271, "qvausrinfo value missing", 0},
        {{"qvausrinfo=u", "oid=400"}, 295, 0, nullptr, 400},
        {{"qvausrinfo=u", "oid=400"}, 0, 0, nullptr, 400},
        {{"qvausrinfo=u", "oid=4711"}, 295, 256, "can't get HIP object from given oid", 0},
        {{"qvausrinfo=u", "oid=500"},
         295,
         257,
         "object from given oid doesn't match expected objtype",
         0},
        {{"qvausrinfo=u"}, 295, 271, "if required, oid or instance value missing!", 0},
        {{"qvausrinfo=u", "instance=1"}, 0, 271, "objtype value missing!", 0},
        {{"qvausrinfo=u", "instance=1"}, 296, OCS_XVAL_MISSING, nullptr, 501},
        {{"qvausrinfo=u", "instance=1", "objtype=295"}, 0, 0, nullptr, 401},
        {{"qvausrinfo=u", "instance=7", "objtype=295"},
         0,
         256,
         "can't get HIP object from given instance",
         0},
    };
    for (const InitCase& c : cases) {
        OCSXBuf* buf = OCSXAllocBuf(256, 0);
        const char* user = nullptr;
        int32_t status = 12345;
        void* object = DASHipInitSetCmd(static_cast<int32_t>(c.params.size()), c.params.data(), buf,
                                        "help!", c.expectedType, &user, &status);
        const XmlAnswer a(buf->text);
        SCOPED_TRACE(buf->text);
        EXPECT_EQ(status, c.status);
        if (c.note) {
            EXPECT_EQ(XmlAnswer::text(a.find("CmdHelp")), c.note);
        } else {
            EXPECT_EQ(a.find("CmdHelp"), nullptr);
        }
        EXPECT_EQ(object ? reinterpret_cast<const uint32_t*>(object)[1] : 0u, c.objectOid);
        if (object) {
            EXPECT_STREQ(user, "u");
        }
        SMILFreeGeneric(object);
        OCSXFreeBuf(buf);
    }
}

TEST_F(ObjectAccess, LookupByArguments) {
    uint32_t oid = 0;
    std::vector<uint8_t> copy(TELMDA_COPY_AREA_SIZE, 0xEE);
    const char* both[] = {"oid=500", "index=0"};
    EXPECT_EQ(GetOIDFromCommandArgsEx(2, both, &oid, copy.data(), 296), 1) << "oid wins";
    EXPECT_EQ(oid, 500u);
    const std::vector<uint8_t> stored = smil_standin::objectBytes(500);
    EXPECT_TRUE(std::equal(stored.begin(), stored.end(), copy.begin()));
    EXPECT_EQ(copy[stored.size()], 0xEE) << "only the object's size is copied";

    std::fill(copy.begin(), copy.end(), 0xEE);
    oid = 0;
    const char* otherType[] = {"oid=400"};
    EXPECT_EQ(GetOIDFromCommandArgsEx(1, otherType, &oid, copy.data(), 296), 0);
    EXPECT_EQ(oid, 0u);
    EXPECT_EQ(copy[0], 0xEE) << "nothing copied";

    const char* index[] = {"index=1"};
    EXPECT_EQ(GetOIDFromCommandArgs(1, index, &oid, 296), 1);
    EXPECT_EQ(oid, 501u);
    const char* neither[] = {"instance=1"};
    EXPECT_EQ(GetOIDFromCommandArgs(1, neither, &oid, 296), 0);
}

TEST_F(ObjectAccess, LookupByKey) {
    uint32_t oid = 0;
    std::vector<uint8_t> copy(TELMDA_COPY_AREA_SIZE, 0);
    EXPECT_EQ(LocateRequiredObjectEx("ADMIN", 295, &oid, copy.data()), 1);
    EXPECT_EQ(oid, 400u);
    EXPECT_STREQ(reinterpret_cast<const char*>(copy.data() + 60), "admin");
    EXPECT_EQ(LocateRequiredObject("operator", 295, &oid), 1);
    EXPECT_EQ(oid, 402u) << "the first in list order";
    EXPECT_EQ(LocateRequiredObject("192.168.1.9", 296, &oid), 1);
    EXPECT_EQ(oid, 500u);
    EXPECT_EQ(LocateRequiredObject("10.1.1.1", 297, &oid), 1);
    EXPECT_EQ(LocateRequiredObject("PPP1", 298, &oid), 1);
    EXPECT_EQ(LocateRequiredObject("nobody", 295, &oid), 0);
    EXPECT_EQ(LocateRequiredObject("", 290, &oid), 0) << "other types never match";
}

TEST_F(ObjectAccess, Presence) {
    EXPECT_EQ(IsTYMCPresent(), 1);
    EXPECT_EQ(written([](OCSXBuf* b) {
                  int32_t status = 0;
                  EXPECT_EQ(XMLIsTYMCPresent(b, &status), 1);
              }),
              "");
    nlohmann::json card = standardCard();
    removeType(card, 303);
    smil_standin::loadJson(card.dump());
    EXPECT_EQ(IsTYMCPresent(), 0);
    int32_t status = 0;
    EXPECT_EQ(written([&](OCSXBuf* b) { EXPECT_EQ(XMLIsTYMCPresent(b, &status), 0); }),
              "<CustomStat>10</CustomStat>");
    EXPECT_EQ(status, 17);
}

std::vector<std::string> filterRow(const XmlAnswer& a, const char* node) {
    std::vector<std::string> out;
    for (const auto& [name, text] : XmlAnswer::children(a.find(node)))
        out.push_back(name + "=" + text);
    return out;
}

TEST_F(ObjectAccess, CapabilityFilters) {
    const XmlAnswer card(written(
        [](OCSXBuf* b) { UpdateTYMCCapabilitiesFilterInfo(b, 0x2u | 0x100u, 0x0u | 0x400u); }));
    EXPECT_EQ(card.top().size(), 19u);
    EXPECT_THAT(filterRow(card, "TYMCTempSensor2"),
                ElementsAre("Caption=TYMC Temperature Sensors", "Capable=0", "Checked=1"));
    EXPECT_THAT(filterRow(card, "TYMCTempSensor1"),
                ElementsAre("Caption=TYMC Temperature Sensors", "Capable=0", "Checked=0"));
    EXPECT_THAT(filterRow(card, "TYMCBatterSensor1"),
                ElementsAre("Caption=TYMC Battery Sensors", "Capable=0", "Checked=1"));
    EXPECT_THAT(filterRow(card, "TYMCBatterSensor3"),
                ElementsAre("Caption=TYMC Battery Sensors", "Capable=1", "Checked=0"));

    const XmlAnswer sys(
        written([](OCSXBuf* b) { UpdateSystemCapabilitiesFilterInfo(b, 0x40000u, 0x70000u); }));
    EXPECT_EQ(sys.top().size(), 15u);
    EXPECT_EQ(XmlAnswer::text(sys.top().back()->children), "System Detectecd Hang");
    EXPECT_THAT(filterRow(sys, "SystemDetectedHang"),
                ElementsAre("Caption=System Detectecd Hang", "Capable=1", "Checked=1"));
    EXPECT_THAT(
        filterRow(sys, "SystemTransitToOnState"),
        ElementsAre("Caption=System Transition to Power-On State", "Capable=1", "Checked=0"));
}

struct GateCase {
    int32_t (*gate)(OCSXBuf*, uint32_t);
    std::vector<std::string> elements; // written, in order, while the card is present
};

// The presence gate behind each view: the elements with 0 while the card is
// present (any non-zero word), nothing with 256 while it is absent.
TEST_F(ObjectAccess, PresenceGates) {
    const std::vector<GateCase> cases = {
        {RetrieveVesk3Obj, {"Vesk3Obj"}},
        {RetrieveControlObj, {"TYMCControlObj"}},
        {RetrieveMonitoringObj, {"TYMCMonitoringObj"}},
        {RetrieveoobSnmpAgentObj, {"oobSnmpAgentObj"}},
        {RetrieveCurrentLanNetworkingObj, {"CurrentLanNetworkingObj"}},
        {RetrieveTYMIdentificationObj, {"TYMCSummaryObj"}},
        {RetrieveSummaryInfo, {"TYMCSummaryObj"}},
        {RetrieveLanNetworkInfo,
         {"LanNetworkingObj", "CurrentLanNetworkingObj", "DialUpNetworkingObj", "RemoteHostObj"}},
        {RetrieveLanNetworkingObj, {"LanNetworkingObj"}},
        {RetrieveCmdRSCGetDialUpNetworkingObj, {"DialUpNetworkingObj"}},
        {RetrieveRemoteHostObj, {"RemoteHostObj"}},
    };
    const auto run = [](const GateCase& c, int32_t& status) {
        return written([&](OCSXBuf* b) { status = c.gate(b, 2); });
    };
    for (const std::uint16_t word : {1, 2}) {
        smil_standin::loadJson(standardCard(word).dump());
        for (const GateCase& c : cases) {
            int32_t status = -1;
            const XmlAnswer answer(run(c, status));
            EXPECT_EQ(status, 0) << c.elements.front();
            EXPECT_EQ(answer.topNames(), c.elements) << "presence word " << word;
        }
    }
    nlohmann::json withoutPresence = standardCard();
    removeType(withoutPresence, 303);
    for (const std::string& card : {standardCard(0).dump(), withoutPresence.dump()}) {
        smil_standin::loadJson(card);
        for (const GateCase& c : cases) {
            int32_t status = -1;
            EXPECT_EQ(run(c, status), "") << c.elements.front();
            EXPECT_EQ(status, 256) << c.elements.front();
        }
    }
    // The summaries' wrapper holds the identification first.
    smil_standin::loadJson(standardCard().dump());
    int32_t status = -1;
    const XmlAnswer summary(run(cases[6], status));
    EXPECT_EQ(XmlAnswer::children(summary.find("TYMCSummaryObj")).size(), 3u);
    EXPECT_NE(summary.find("TYMIdentificationObj"), nullptr);
}

} // namespace
} // namespace telmda_test
