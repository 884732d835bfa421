// The four entry tables through one typed suite: every table runs the same
// cases, with the names, statuses and messages its traits give.
#include "module_fixture.h"

#include "mgmthost/mgmthost_standin.h"
#include "smil/smil_standin.h"

#include <gmock/gmock.h>

#include <algorithm>
#include <set>
#include <thread>

namespace telmda_test {
namespace {

using nlohmann::json;

struct UserTraits {
    static constexpr std::uint16_t type = 295, size = 860, keyOffset = 60;
    static constexpr std::uint32_t base = 400;
    static constexpr std::size_t keyCut = 19;
    static constexpr const char* keyParam = "RSCUserName";
    static constexpr const char* list = "getrscuserlist";
    static constexpr const char* next = "getrscnextavailableuser";
    static constexpr const char* byOid = "getrscuserentry";
    static constexpr const char* byIndex = "getrscuserentrybyidx";
    static constexpr const char* byKey = "getrscuserbyname";
    static constexpr const char* whole = "setrscuserentry";
    static constexpr const char* keySet = "setrscusername";
    static constexpr const char* remove = "rscremoveuserentry";
    static constexpr const char* removeByIndex = "rscremoveuserentrybyid";
    static constexpr const char* listElement = "TYMCUserList";
    static constexpr const char* freeElement = "NextAvailableUserEntry";
    static constexpr const char* entryElement = "TYMCUserEntry";
    static constexpr bool listStopsAtUnreadable = true;
    static constexpr bool poidList = false, indexShowsFree = false;
    static constexpr const char* fullMessage = "Maximum limit of 16 RSC users reached";
    static constexpr int noFreeStatus = 290, existsStatus = 256;
    static constexpr const char* existsMessage = "User already exists with user name";
    static constexpr const char* addFailed = "Maximum limit of 16 Users reached";
    static constexpr bool refusesKeyOfAnother = true;
    static constexpr const char* keySetter = "HIPSetObjTYMCfgUserName";
    static constexpr std::uint32_t addLog = 5430, changeLog = 5431, removeLog = 5432;
    static constexpr const char* removedKey = "";
    static constexpr const char* newKey = "alice";
    static constexpr const char* otherKey = "bob";
    static constexpr const char* password = "RSCUserPassword";
    // One field of the whole-entry set and its single-field command.
    static constexpr const char* fieldParam = "RSCUserEmailAddress";
    static constexpr const char* fieldCommand = "setrscuseremailaddress";
    static constexpr const char* fieldSetter = "HIPSetObjTYMCfgUserEmailAddress";
    static constexpr const char* notFound = "Object not found with User Name ";
    static constexpr const char* deleteByIndexFailed = "Unable to delete User, Instance # : 1 ";
};

struct TrapTraits {
    static constexpr std::uint16_t type = 296, size = 92, keyOffset = 40;
    static constexpr std::uint32_t base = 500;
    static constexpr std::size_t keyCut = 15;
    static constexpr const char* keyParam = "RSCTrapDestIPAddr";
    static constexpr const char* list = "getrscsnmptraplist";
    static constexpr const char* next = "getrscnexttrapentry";
    static constexpr const char* byOid = "getrscsnmptrapinfo";
    static constexpr const char* byIndex = "getrscsnmptrapinfobyidx";
    static constexpr const char* byKey = "getrscsnmptrapbyip";
    static constexpr const char* whole = "setrscsnmptrapinfo";
    static constexpr const char* keySet = "setrsctrapdestipaddr";
    static constexpr const char* remove = "rscremovetrapentry";
    static constexpr const char* removeByIndex = "rscremovetrapentrybyid";
    static constexpr const char* listElement = "SNMPTrapList";
    static constexpr const char* freeElement = "NextAvailableSNMPTrap";
    static constexpr const char* entryElement = "SNMPTrap";
    static constexpr bool listStopsAtUnreadable = false;
    static constexpr bool poidList = true, indexShowsFree = true;
    static constexpr const char* fullMessage = "Maximum limit of 16 SNMP Trap Destinations reached";
    static constexpr int noFreeStatus = 256, existsStatus = 271;
    static constexpr const char* existsMessage = "SNMP Trap Entry already exists with IP Address ";
    static constexpr const char* addFailed = "Maximum limit of 16 Traps reached";
    static constexpr bool refusesKeyOfAnother = false;
    static constexpr const char* keySetter = "HIPSetObjTYMCfgTrapsDestIpAddr";
    static constexpr std::uint32_t addLog = 5427, changeLog = 5428, removeLog = 5429;
    static constexpr const char* removedKey = "0.0.0.0";
    static constexpr const char* newKey = "10.0.0.7";
    static constexpr const char* otherKey = "10.0.0.8";
    static constexpr const char* password = nullptr;
    static constexpr const char* fieldParam = "RSCSNMPCommunity";
    static constexpr const char* fieldCommand = "setrsctrapssnmpcommunity";
    static constexpr const char* fieldSetter = "HIPSetObjTYMCfgTrapsSnmpCommunity";
    static constexpr const char* notFound = "Object not found with IP Address ";
    static constexpr const char* deleteByIndexFailed =
        "Unable to delete Trap Entry with Instance # : 1 ";
};

struct DialInTraits {
    static constexpr std::uint16_t type = 298, size = 96, keyOffset = 28;
    static constexpr std::uint32_t base = 700;
    static constexpr std::size_t keyCut = 95;
    static constexpr const char* keyParam = "RSCDialInUserPppUserName";
    static constexpr const char* list = "getrscdialinuserlist";
    static constexpr const char* next = "getrscnextdialinentry";
    static constexpr const char* byOid = "getrscdialinuserentry";
    static constexpr const char* byIndex = "getrscdialinuserentrybyidx";
    static constexpr const char* byKey = "getrscdialinuserbyname";
    static constexpr const char* whole = "setrscdialinuserentry";
    static constexpr const char* keySet = "setrscdialinuserpppusername";
    static constexpr const char* remove = "rscremovedialinentry";
    static constexpr const char* removeByIndex = "rscremovedialinentrybyid";
    static constexpr const char* listElement = "DialInUsersObjList";
    static constexpr const char* freeElement = "NextAvailableDialInUser";
    static constexpr const char* entryElement = "DialInUsersObj";
    static constexpr bool listStopsAtUnreadable = false;
    static constexpr bool poidList = true, indexShowsFree = true;
    static constexpr const char* fullMessage = "Maximum limit of 16 DialIn users reached";
    static constexpr int noFreeStatus = 290, existsStatus = 258;
    static constexpr const char* existsMessage = "Dial In user already exists with UserName ";
    static constexpr const char* addFailed = "Unable to Add/Update User Name status 9";
    static constexpr bool refusesKeyOfAnother = true;
    static constexpr const char* keySetter = "HIPSetObjTYMCfgDialinUsrPppUserName";
    static constexpr std::uint32_t addLog = 5424, changeLog = 5425, removeLog = 5426;
    static constexpr const char* removedKey = "";
    static constexpr const char* newKey = "pppa";
    static constexpr const char* otherKey = "pppb";
    static constexpr const char* password = "RSCDialInUserPppPassword";
    static constexpr const char* fieldParam = "RSCDialInUserCallbackNumber";
    static constexpr const char* fieldCommand = "setrscdialcallbacknumber";
    static constexpr const char* fieldSetter = "HIPSetObjTYMCfgDialinUsrCallbackNumber";
    static constexpr const char* notFound = "Object not found with Dial In User Name ";
    static constexpr const char* deleteByIndexFailed =
        "Unable to delete Dial In Object with Instance # : 1 ";
};

struct DemandDialTraits {
    static constexpr std::uint16_t type = 297, size = 204, keyOffset = 24;
    static constexpr std::uint32_t base = 600;
    static constexpr std::size_t keyCut = 15;
    static constexpr const char* keyParam = "RSCDemandDialIpAddr";
    static constexpr const char* list = "getrscdemanddialoutlist";
    static constexpr const char* next = "getrscnextdemanddialoutentry";
    static constexpr const char* byOid = "getrscdemanddialoutentry";
    static constexpr const char* byIndex = "getrscdemanddialoutentrybyidx";
    static constexpr const char* byKey = "getrscdemandialuserbyip";
    static constexpr const char* whole = "setrscdemanddialoutentry";
    static constexpr const char* keySet = "setrscdemanddialipaddress";
    static constexpr const char* remove = "rscremovedemanddialoutentry";
    static constexpr const char* removeByIndex = "rscremovedemanddialoutentrybyid";
    static constexpr const char* listElement = "DemandDialObjList";
    static constexpr const char* freeElement = "NextAvailableDialInUser";
    static constexpr const char* entryElement = "DemandDialObj";
    static constexpr bool listStopsAtUnreadable = false;
    static constexpr bool poidList = true, indexShowsFree = true;
    static constexpr const char* fullMessage = "Maximum limit of 16 dial out users reached";
    static constexpr int noFreeStatus = 256, existsStatus = 271;
    static constexpr const char* existsMessage =
        "Demand Dial out user already exists with IP Address ";
    static constexpr const char* addFailed = "Maximum limit of 16 Demand Dial Out reached";
    static constexpr bool refusesKeyOfAnother = false;
    static constexpr const char* keySetter = "HIPSetObjTYMCfgDemandDialIpAddr";
    static constexpr std::uint32_t addLog = 5421, changeLog = 5422, removeLog = 5423;
    static constexpr const char* removedKey = "0.0.0.0";
    static constexpr const char* newKey = "10.0.1.7";
    static constexpr const char* otherKey = "10.0.1.8";
    static constexpr const char* password = nullptr;
    static constexpr const char* fieldParam = "RSCDemandDialPhoneNumber";
    static constexpr const char* fieldCommand = "setrscdemanddialphonenumber";
    static constexpr const char* fieldSetter = "HIPSetObjTYMCfgDemandDialPhoneNumber";
    static constexpr const char* notFound = "Object not found with IP Address ";
    static constexpr const char* deleteByIndexFailed =
        "Unable to delete Demand Dial Out Object with Instance # : 1 ";
};

template <typename T> class EntryTableTest : public ModuleTest {
protected:
    // The card with the table's entries holding `keys` ("" = free), OIDs from
    // the table's base, all under both roots.
    void useEntries(const std::vector<std::string>& keys) {
        json card = standardCard();
        removeType(card, T::type);
        for (std::size_t i = 0; i < keys.size(); ++i) {
            std::vector<json> fields = {field(16, "u32", i)};
            if (!keys[i].empty())
                fields.push_back(field(T::keyOffset, "text", keys[i]));
            card["objects"].push_back(objectJson(oid(i), T::type, T::size, fields));
        }
        useCard(card);
        tym_standin::reset();
        ocs_standin::reset();
    }
    static std::uint32_t oid(std::size_t i) { return T::base + static_cast<std::uint32_t>(i); }
    static std::string key(std::size_t i) {
        const std::vector<std::uint8_t> bytes = smil_standin::objectBytes(oid(i));
        const char* text = reinterpret_cast<const char*>(bytes.data() + T::keyOffset);
        return std::string(text, strnlen(text, bytes.size() - T::keyOffset));
    }
    // Every request names the user.
    XmlAnswer run(std::vector<std::string> params) {
        params.push_back("qvausrinfo=admin");
        return answer(params);
    }
    static std::string cmd(const char* name) { return std::string("qvacmd=") + name; }
    static std::string param(const char* name, const std::string& value) {
        return std::string(name) + "=" + value;
    }
    static std::vector<std::string> keyCalls() {
        std::vector<std::string> values;
        for (const auto& c : tym_standin::calls())
            if (c.function == T::keySetter)
                values.push_back(std::to_string(c.oid) + ":" + c.value);
        return values;
    }
    static std::vector<std::uint32_t> logIds() {
        std::vector<std::uint32_t> ids;
        for (const auto& e : ocs_standin::cmdLog())
            ids.push_back(e.messageId);
        return ids;
    }
    // The message of the first status node (the whole-entry sets answer two).
    static std::string firstMessage(const XmlAnswer& a) {
        for (xmlNodePtr n : a.top())
            if (std::string(reinterpret_cast<const char*>(n->name)) == "SMStatus")
                return XmlAnswer::attribute(n, "msg").value_or("<none>");
        return "<no status>";
    }
    std::vector<std::string> wholeSet(std::vector<std::string> extra) {
        std::vector<std::string> params = {cmd(T::whole)};
        if (T::password)
            params.push_back(param(T::password, "pw"));
        params.insert(params.end(), extra.begin(), extra.end());
        return params;
    }
};

using Tables = ::testing::Types<UserTraits, TrapTraits, DialInTraits, DemandDialTraits>;
TYPED_TEST_SUITE(EntryTableTest, Tables);

TYPED_TEST(EntryTableTest, ListShowsEntriesInUseAndTheFirstFreeOne) {
    using T = TypeParam;
    this->useEntries({T::otherKey, "", T::newKey, ""});
    const XmlAnswer a = this->run({this->cmd(T::list), "poid=2"});
    EXPECT_EQ(a.status(), 0);
    xmlNodePtr list = a.find(T::listElement);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(XmlAnswer::attribute(list, "count"), "4");
    std::vector<std::string> names;
    for (xmlNodePtr n = list->children; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE)
            names.push_back(std::string(reinterpret_cast<const char*>(n->name)) + "@" +
                            XmlAnswer::attribute(n, "index").value_or("-"));
    EXPECT_THAT(names, ::testing::ElementsAre(
                           std::string(T::entryElement) + "@0", std::string(T::freeElement) + "@1",
                           std::string(T::entryElement) + "@2", "NumValidEntries@-"));
    EXPECT_EQ(XmlAnswer::text(a.find("NumValidEntries")), "2");

    this->useEntries({});
    const XmlAnswer empty = this->run({this->cmd(T::list), "poid=2"});
    EXPECT_EQ(XmlAnswer::text(empty.find("CustomStat")), "20");
    if (T::poidList) {
        const XmlAnswer noParent = this->run({this->cmd(T::list)});
        EXPECT_EQ(noParent.status(), 0x10D);
        EXPECT_EQ(XmlAnswer::text(noParent.find("CmdHelp")), "poid input missing or bad");
    }
}

TYPED_TEST(EntryTableTest, AnUnreadableEntryEndsOnlyTheUserList) {
    using T = TypeParam;
    json card = standardCard();
    removeType(card, T::type);
    card["objects"].push_back(
        objectJson(this->oid(0), T::type, T::size, {field(T::keyOffset, "text", T::otherKey)}));
    card["objects"].push_back(objectJson(this->oid(1), T::type, 20, {})); // too short to be read
    card["objects"].push_back(
        objectJson(this->oid(2), T::type, T::size, {field(T::keyOffset, "text", T::newKey)}));
    this->useCard(card);
    const XmlAnswer a = this->run({this->cmd(T::list), "poid=2"});
    EXPECT_EQ(XmlAnswer::text(a.find("NumValidEntries")), T::listStopsAtUnreadable ? "1" : "2");
}

TYPED_TEST(EntryTableTest, QueriesByOidIndexAndKey) {
    using T = TypeParam;
    this->useEntries({T::newKey, ""});
    const std::string oid0 = std::to_string(this->oid(0)), oid1 = std::to_string(this->oid(1));
    const XmlAnswer byOid = this->run({this->cmd(T::byOid), "oid=" + oid0});
    EXPECT_EQ(byOid.status(), 0);
    ASSERT_NE(byOid.find(T::entryElement), nullptr);
    EXPECT_EQ(XmlAnswer::attribute(byOid.find(T::entryElement), "oid"), oid0);
    EXPECT_NE(this->run({this->cmd(T::byOid), "oid=" + oid1}).find(T::entryElement), nullptr)
        << "a free entry shows by oid";
    EXPECT_EQ(this->run({this->cmd(T::byOid), "oid=9999"}).status(), 256);
    EXPECT_EQ(this->run({this->cmd(T::byOid), "oid=304"}).status(), 257) << "another type";
    EXPECT_EQ(this->run({this->cmd(T::byOid)}).status(), 0x10D);

    EXPECT_NE(this->run({this->cmd(T::byIndex), "index=0"}).find(T::entryElement), nullptr);
    EXPECT_EQ(this->run({this->cmd(T::byIndex), "index=1"}).find(T::entryElement) != nullptr,
              T::indexShowsFree);
    const XmlAnswer beyond = this->run({this->cmd(T::byIndex), "index=7"});
    EXPECT_EQ(beyond.status(), 256);
    EXPECT_EQ(XmlAnswer::text(beyond.find("CustomStat")), "30");

    std::string upper = T::newKey;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    const XmlAnswer byKey = this->run({this->cmd(T::byKey), this->param(T::keyParam, upper)});
    EXPECT_EQ(byKey.status(), 0);
    EXPECT_EQ(XmlAnswer::attribute(byKey.find(T::entryElement), "oid"), oid0);
    EXPECT_EQ(this->run({this->cmd(T::byKey), this->param(T::keyParam, T::otherKey)}).status(),
              256);
    EXPECT_EQ(XmlAnswer::text(this->run({this->cmd(T::byKey)}).find("CmdHelp")),
              std::string(T::keyParam) + " input missing or bad");
}

TYPED_TEST(EntryTableTest, NextFreeEntryAndAFullTable) {
    using T = TypeParam;
    this->useEntries({T::otherKey, "", ""});
    const XmlAnswer next = this->run({this->cmd(T::next)});
    EXPECT_EQ(next.status(), 0);
    EXPECT_EQ(next.statusMessage(), "oid " + std::to_string(this->oid(1)));

    this->useEntries(std::vector<std::string>(16, T::otherKey));
    const XmlAnswer full = this->run({this->cmd(T::next)});
    EXPECT_EQ(full.status(), 256);
    EXPECT_EQ(full.statusMessage(), T::fullMessage);
    const XmlAnswer add = this->run(this->wholeSet({this->param(T::keyParam, T::newKey)}));
    EXPECT_EQ(add.status(), T::noFreeStatus);
    EXPECT_EQ(this->firstMessage(add), "Unable to retrieve index of free object");
    EXPECT_TRUE(tym_standin::calls().empty());
}

TYPED_TEST(EntryTableTest, WholeEntrySetAddsThenUpdates) {
    using T = TypeParam;
    this->useEntries({T::otherKey, "", ""});
    const XmlAnswer add = this->run(
        this->wholeSet({this->param(T::keyParam, T::newKey), this->param(T::fieldParam, "v1")}));
    EXPECT_EQ(add.status(), 0);
    EXPECT_EQ(add.statusCount(), 2);
    EXPECT_EQ(this->key(1), T::newKey);
    EXPECT_THAT(this->keyCalls(),
                ::testing::ElementsAre(std::to_string(this->oid(1)) + ":" + T::newKey));
    EXPECT_THAT(this->logIds(), ::testing::ElementsAre(T::addLog));

    tym_standin::reset();
    ocs_standin::reset();
    // Without "index" a trap destination is always added: the update names it.
    const XmlAnswer update = this->run(this->wholeSet(
        {this->param(T::keyParam, T::newKey), "index=1", this->param(T::fieldParam, "v2")}));
    EXPECT_EQ(update.status(), 0);
    EXPECT_TRUE(this->keyCalls().empty()) << "an existing key is not written again";
    const auto calls = tym_standin::calls();
    ASSERT_EQ(calls.size(), T::password ? 2u : 1u);
    const auto set = std::find_if(calls.begin(), calls.end(),
                                  [](const auto& c) { return c.function == T::fieldSetter; });
    ASSERT_NE(set, calls.end());
    EXPECT_EQ(set->oid, this->oid(1));
    EXPECT_EQ(set->value, "v2");
    ASSERT_EQ(this->logIds(), std::vector<std::uint32_t>{T::changeLog});
    EXPECT_NE(ocs_standin::cmdLog()[0].text.find(T::newKey), std::string::npos);
    EXPECT_EQ(ocs_standin::cmdLog()[0].userInfo, "admin");
}

TYPED_TEST(EntryTableTest, WholeEntrySetStatuses) {
    using T = TypeParam;
    const std::string other = T::otherKey, fresh = T::newKey;
    struct Case {
        const char* what;
        std::vector<std::string> params;
        const char* forcedSetter;
        int status;
        std::string message; // of the first status node
    };
    const std::vector<Case> cases = {
        {"no key", {}, nullptr, 271, "<none>"},
        {"empty key", {this->param(T::keyParam, "")}, nullptr, 271, "<none>"},
        {"known key at the index of another entry",
         {this->param(T::keyParam, other), "index=2"},
         nullptr,
         T::existsStatus,
         T::existsMessage + other},
        {"known key, index beyond the table",
         {this->param(T::keyParam, other), "index=9"},
         nullptr,
         271,
         "internal"},
        {"new key at an index in use",
         {this->param(T::keyParam, fresh), "index=0"},
         nullptr,
         257,
         "Valid Object already exists at with instance 0"},
        {"new key, index beyond the table",
         {this->param(T::keyParam, fresh), "index=9"},
         nullptr,
         257,
         "Object not found with instance 9"},
        {"the key setter refuses the add",
         {this->param(T::keyParam, fresh)},
         T::keySetter,
         9,
         T::addFailed},
        {"a field fails",
         {this->param(T::keyParam, fresh), this->param(T::fieldParam, "x")},
         T::fieldSetter,
         -1,
         std::string("Failed Command List:: ") + T::fieldParam},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        this->useEntries({other, "", "z"});
        if (c.forcedSetter)
            tym_standin::setResult(c.forcedSetter, 9);
        std::vector<std::string> params = this->wholeSet(c.params);
        const XmlAnswer a = this->run(params);
        EXPECT_EQ(a.status(), c.status);
        if (c.message == "internal") {
            EXPECT_NE(this->firstMessage(a).find("Internal Error"), std::string::npos);
        } else {
            EXPECT_EQ(this->firstMessage(a), c.message);
        }
        if (c.status != 0 && !c.forcedSetter) {
            EXPECT_TRUE(tym_standin::calls().empty()) << "nothing may change";
        }
    }
    if (T::password) {
        this->useEntries({other, ""});
        const XmlAnswer a = this->run({this->cmd(T::whole), this->param(T::keyParam, fresh)});
        EXPECT_EQ(a.status(), 271);
        EXPECT_NE(this->firstMessage(a).find("without Password"), std::string::npos);
        EXPECT_TRUE(tym_standin::calls().empty());
    }
}

// Only trap destinations add without a key search.
using TrapTableTest = EntryTableTest<TrapTraits>;
TEST_F(TrapTableTest, SetWithoutIndexAddsASecondDestination) {
    using T = TrapTraits;
    this->useEntries({T::newKey, ""});
    EXPECT_EQ(this->run(this->wholeSet({this->param(T::keyParam, T::newKey)})).status(), 0);
    EXPECT_EQ(this->key(0), T::newKey);
    EXPECT_EQ(this->key(1), T::newKey);
}

// Entry changes work on a copy of at most 4032 bytes: a longer entry object
// is not taken as an entry at all.
using UserTableTest = EntryTableTest<UserTraits>;
TEST_F(UserTableTest, AnEntryLongerThanTheCopyAreaCountsAsMissing) {
    json card = standardCard();
    removeType(card, UserTraits::type);
    card["objects"].push_back(
        objectJson(oid(0), UserTraits::type, 4100, {field(UserTraits::keyOffset, "text", "big")}));
    useCard(card);
    EXPECT_EQ(run({cmd(UserTraits::byOid), "oid=" + std::to_string(oid(0))}).status(), 256);
    EXPECT_EQ(run({cmd(UserTraits::keySet), "oid=" + std::to_string(oid(0)),
                   param(UserTraits::keyParam, "other")})
                  .status(),
              256);
    EXPECT_TRUE(tym_standin::calls().empty());
}

TYPED_TEST(EntryTableTest, SingleFieldSets) {
    using T = TypeParam;
    this->useEntries({T::otherKey, ""});
    const std::string oid0 = "oid=" + std::to_string(this->oid(0));
    EXPECT_EQ(
        this->run({this->cmd(T::fieldCommand), oid0, this->param(T::fieldParam, "v")}).status(), 0);
    EXPECT_EQ(this->run({this->cmd(T::fieldCommand), "index=1", this->param(T::fieldParam, "w")})
                  .status(),
              0);
    const auto calls = tym_standin::calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].oid, this->oid(0));
    EXPECT_EQ(calls[0].value, "v");
    EXPECT_EQ(calls[1].oid, this->oid(1));

    const XmlAnswer noEntry =
        this->run({this->cmd(T::fieldCommand), "oid=9999", this->param(T::fieldParam, "v")});
    EXPECT_EQ(noEntry.status(), 256);
    EXPECT_EQ(noEntry.statusMessage(), "OID value missing 4");
    const XmlAnswer noValue = this->run({this->cmd(T::fieldCommand), oid0});
    EXPECT_EQ(noValue.status(), 271);
    EXPECT_EQ(noValue.statusMessage(), std::string(T::fieldParam) + " value missing 3");
    const XmlAnswer noUser =
        this->answer({this->cmd(T::fieldCommand), oid0, this->param(T::fieldParam, "v")});
    EXPECT_EQ(noUser.status(), 0x10D);
    tym_standin::setResult(T::fieldSetter, 7);
    EXPECT_EQ(this->run({this->cmd(T::fieldCommand), oid0, this->param(T::fieldParam, "v")})
                  .statusMessage(),
              "value to set(v) status(7) ");
}

TYPED_TEST(EntryTableTest, KeyCommandRenamesRemovesAndTakesAnotherEntrysKey) {
    using T = TypeParam;
    this->useEntries({T::otherKey, T::newKey, ""});
    const std::string oid1 = "oid=" + std::to_string(this->oid(1));
    const XmlAnswer clash =
        this->run({this->cmd(T::keySet), oid1, this->param(T::keyParam, T::otherKey)});
    if (T::refusesKeyOfAnother) {
        // A name another entry holds: refused, nothing written.
        EXPECT_EQ(clash.status(), T::existsStatus);
        EXPECT_TRUE(tym_standin::calls().empty());
    } else {
        // An address may repeat: a change of the addressed entry, whose old
        // state is the entry that holds the address.
        EXPECT_EQ(clash.status(), 0);
        EXPECT_EQ(this->key(1), T::otherKey);
        const auto log = ocs_standin::cmdLog();
        ASSERT_EQ(log.size(), 1u);
        EXPECT_EQ(log[0].messageId, T::changeLog);
        EXPECT_NE(log[0].text.find(T::otherKey), std::string::npos) << log[0].text;
        EXPECT_EQ(log[0].text.find(T::newKey), std::string::npos) << log[0].text;
        this->useEntries({T::otherKey, T::newKey, ""});
    }
    EXPECT_EQ(this->key(0), T::otherKey);

    // Its own key in another case: a change of the key.
    std::string upper = T::newKey;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::toupper);
    EXPECT_EQ(this->run({this->cmd(T::keySet), oid1, this->param(T::keyParam, upper)}).status(), 0);
    EXPECT_EQ(this->key(1), upper);

    // A key longer than the table keeps reaches the setter cut.
    const std::string longKey(T::keyCut + 6, '7');
    this->run({this->cmd(T::keySet), oid1, this->param(T::keyParam, longKey)});
    // An empty key removes.
    EXPECT_EQ(this->run({this->cmd(T::keySet), oid1, this->param(T::keyParam, "")}).status(), 0);
    EXPECT_EQ(this->key(1), T::removedKey);
    const std::string at = std::to_string(this->oid(1)) + ":";
    EXPECT_THAT(
        this->keyCalls(),
        ::testing::ElementsAre(at + upper, at + longKey.substr(0, T::keyCut), at + T::removedKey));
    EXPECT_THAT(this->logIds(), ::testing::Contains(T::changeLog));
    EXPECT_EQ(this->logIds().back(), T::removeLog);
}

TYPED_TEST(EntryTableTest, Removals) {
    using T = TypeParam;
    this->useEntries({T::newKey, T::otherKey});
    const XmlAnswer byKey = this->run({this->cmd(T::remove), this->param(T::keyParam, T::newKey)});
    EXPECT_EQ(byKey.status(), 0);
    EXPECT_EQ(byKey.statusMessage(), "");
    EXPECT_EQ(this->key(0), T::removedKey);
    ASSERT_EQ(this->logIds(), std::vector<std::uint32_t>{T::removeLog});
    EXPECT_NE(ocs_standin::cmdLog()[0].text.find(T::newKey), std::string::npos)
        << "the log names the removed key";

    const XmlAnswer unknown = this->run({this->cmd(T::remove), this->param(T::keyParam, "zz")});
    EXPECT_EQ(unknown.status(), 256);
    EXPECT_EQ(unknown.statusMessage(), std::string(T::notFound) + "zz ");

    tym_standin::setResult(T::keySetter, 4);
    const XmlAnswer refused = this->run({this->cmd(T::removeByIndex), "index=1"});
    EXPECT_EQ(refused.status(), 4);
    EXPECT_EQ(refused.statusMessage(), T::deleteByIndexFailed);
    tym_standin::setResult(T::keySetter, 0);
    EXPECT_EQ(this->run({this->cmd(T::removeByIndex), "index=1"}).status(), 0);
    EXPECT_EQ(this->key(1), T::removedKey);
    EXPECT_EQ(this->run({this->cmd(T::removeByIndex), "index=5"}).status(), 257);
}

TYPED_TEST(EntryTableTest, ConcurrentAddsTakeDistinctEntries) {
    using T = TypeParam;
    this->useEntries(std::vector<std::string>(8, ""));
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([this, i] {
            std::vector<std::string> params = this->wholeSet(
                {this->param(T::keyParam, "10.9.9." + std::to_string(i)), "qvausrinfo=admin"});
            this->request(params);
        });
    for (std::thread& t : threads)
        t.join();
    std::set<std::string> keys;
    for (std::size_t i = 0; i < 8; ++i)
        keys.insert(this->key(i));
    EXPECT_EQ(keys.size(), 8u) << "two adds took the same entry";
    EXPECT_EQ(keys.count(""), 0u);
}

} // namespace
} // namespace telmda_test
