// The read commands answer every field of the card objects, gated by the
// card's presence word.
#include "module_fixture.h"

#include <gmock/gmock.h>

namespace telmda_test {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

struct ViewCase {
    const char* command;
    const char* wrapper; // or null
    std::vector<std::uint16_t> objects;
};

const ViewCase kViews[] = {
    {"getrsccontrolobj", nullptr, {290}},
    {"getrscmonitoringobj", nullptr, {291}},
    {"getrscsnmpagentobj", nullptr, {299}},
    {"getrsccurrentlannetworkingobj", nullptr, {300}},
    {"getrscidentificationobj", "TYMCSummaryObj", {289}},
    {"getsummary", "TYMCSummaryObj", {289, 292, 300}},
    {"getrscnetworkconf", nullptr, {292, 300, 293, 294}},
    {"getrsclannetworkingobj", nullptr, {292}},
    {"getrscdialupnetworkingobj", nullptr, {293}},
    {"getrscremotehostobj", nullptr, {294}},
};

std::vector<std::pair<std::string, std::string>> expectedChildren(std::uint16_t type) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const ViewField& f : viewObject(type).fields)
        out.emplace_back(f.element, f.value);
    return out;
}

void expectObjects(const std::vector<xmlNodePtr>& nodes, const std::vector<std::uint16_t>& types) {
    ASSERT_EQ(nodes.size(), types.size());
    for (std::size_t i = 0; i < types.size(); ++i) {
        EXPECT_STREQ(reinterpret_cast<const char*>(nodes[i]->name), viewObject(types[i]).element);
        EXPECT_THAT(XmlAnswer::children(nodes[i]), ElementsAreArray(expectedChildren(types[i])))
            << viewObject(types[i]).element;
        EXPECT_EQ(nodes[i]->properties, nullptr) << "view elements carry no attributes";
    }
}

std::vector<xmlNodePtr> elementsOf(xmlNodePtr parent) {
    std::vector<xmlNodePtr> out;
    for (xmlNodePtr n = parent->children; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE)
            out.push_back(n);
    return out;
}

class ViewsTest : public ModuleTest, public ::testing::WithParamInterface<std::uint16_t> {};

TEST_P(ViewsTest, EveryViewAnswersEveryFieldWhenTheCardIsPresent) {
    const std::uint16_t presence = GetParam();
    useCard(standardCard(presence));
    for (const ViewCase& view : kViews) {
        SCOPED_TRACE(view.command);
        const XmlAnswer a = answer({std::string("qvacmd=") + view.command});
        if (presence == 0) {
            EXPECT_EQ(a.status(), 256);
            EXPECT_THAT(a.topNames(), ElementsAre("SMStatus"));
            continue;
        }
        EXPECT_EQ(a.status(), 0);
        std::vector<xmlNodePtr> nodes = a.top();
        nodes.pop_back(); // the status
        if (view.wrapper) {
            ASSERT_EQ(nodes.size(), 1u);
            EXPECT_STREQ(reinterpret_cast<const char*>(nodes[0]->name), view.wrapper);
            nodes = elementsOf(nodes[0]);
        }
        expectObjects(nodes, view.objects);
    }
}

TEST_P(ViewsTest, PresenceViewHealthAndMenu) {
    const std::uint16_t presence = GetParam();
    useCard(standardCard(presence));

    const XmlAnswer rsc = answer({"qvacmd=getrscobj"});
    if (presence == 0) {
        EXPECT_EQ(rsc.status(), 256);
        EXPECT_EQ(rsc.find("Vesk3Obj"), nullptr);
    } else {
        EXPECT_EQ(rsc.status(), 0);
        EXPECT_THAT(XmlAnswer::children(rsc.find("Vesk3Obj")),
                    ElementsAre(std::pair<std::string, std::string>("Vesk3Present",
                                                                    std::to_string(presence)),
                                std::pair<std::string, std::string>("tymType", "3")));
    }

    const XmlAnswer health = answer({"qvacmd=getrschealth"});
    EXPECT_EQ(health.status(), presence == 1 ? 0 : -1);
    EXPECT_EQ(health.find("TYMIdentificationObj") != nullptr, presence == 1);

    const XmlAnswer menu = answer({"qvacmd=getmenucomps"});
    EXPECT_EQ(menu.status(), 0);
    ASSERT_NE(menu.find("TYMC"), nullptr);
    EXPECT_EQ(menu.find("Engine") != nullptr, presence == 1);
    EXPECT_EQ(XmlAnswer::text(menu.find("IsTYMCPresent")), std::to_string(presence));
}

INSTANTIATE_TEST_SUITE_P(PresenceWords, ViewsTest, ::testing::Values(0, 1, 2));

using ViewsMissingTest = ModuleTest;

TEST_F(ViewsMissingTest, MissingPresenceObjectMeansCardAbsent) {
    nlohmann::json card = standardCard();
    removeType(card, 303);
    useCard(card);
    EXPECT_EQ(answer({"qvacmd=getsummary"}).status(), 256);
    EXPECT_EQ(XmlAnswer::text(answer({"qvacmd=getmenucomps"}).find("IsTYMCPresent")), "0");
}

TEST_F(ViewsMissingTest, MissingInnerObjectsAreLeftOutOrWrittenEmpty) {
    nlohmann::json card = standardCard();
    removeType(card, 293); // dial-up: written empty
    removeType(card, 300); // current LAN: left out
    useCard(card);
    const XmlAnswer conf = answer({"qvacmd=getrscnetworkconf"});
    EXPECT_EQ(conf.status(), 0);
    EXPECT_THAT(conf.topNames(), ElementsAre("LanNetworkingObj", "DialUpNetworkingObj",
                                             "RemoteHostObj", "SMStatus"));
    EXPECT_TRUE(XmlAnswer::children(conf.find("DialUpNetworkingObj")).empty());
    const XmlAnswer current = answer({"qvacmd=getrsccurrentlannetworkingobj"});
    EXPECT_EQ(current.status(), 0);
    EXPECT_THAT(current.topNames(), ElementsAre("SMStatus"));
}

TEST_F(ViewsMissingTest, ObjectsShorterThanTheirLayoutAreAnsweredAsMissing) {
    nlohmann::json card = standardCard();
    const std::string misc(28, 'M'); // fills the identification object to its end, no terminator
    for (nlohmann::json& o : card["objects"]) {
        if (o["type"] == 292) { // shorter than its layout (72)
            o["size"] = 70;
            o["fields"] = {field(20, "text", "10.0.0.1")};
        }
        if (o["type"] == 289) {
            o["fields"].erase(o["fields"].size() - 1);
            nlohmann::json raw = field(512, "text", misc);
            raw["raw"] = true;
            o["fields"].push_back(raw);
        }
    }
    useCard(card);
    const XmlAnswer conf = answer({"qvacmd=getrscnetworkconf"});
    EXPECT_TRUE(XmlAnswer::children(conf.find("LanNetworkingObj")).empty());
    const XmlAnswer id = answer({"qvacmd=getrscidentificationobj"});
    EXPECT_EQ(XmlAnswer::text(id.find("TymMisc")), misc) << "the last text ends with its object";
}

// Only entry changes work on a copy of bounded size; views read objects of
// any size.
TEST_F(ViewsMissingTest, ObjectsLongerThanTheEntryCopyAreaAreRead) {
    nlohmann::json card = standardCard();
    for (nlohmann::json& o : card["objects"])
        if (o["type"] == 289 || o["type"] == 294)
            o["size"] = 5000;
    useCard(card);
    const XmlAnswer conf = answer({"qvacmd=getrscnetworkconf"});
    EXPECT_THAT(XmlAnswer::children(conf.find("RemoteHostObj")),
                ElementsAreArray(expectedChildren(294)));
    const XmlAnswer summary = answer({"qvacmd=getsummary"});
    EXPECT_EQ(summary.status(), 0);
    EXPECT_THAT(XmlAnswer::children(summary.find("TYMIdentificationObj")),
                ElementsAreArray(expectedChildren(289)));
}

TEST_F(ViewsMissingTest, TextWithoutTerminatorIsCutAtItsWidth) {
    nlohmann::json card = standardCard();
    for (nlohmann::json& o : card["objects"])
        if (o["type"] == 292) {
            o["fields"] = {field(20, "text", "1234567890123456"), field(36, "text", "255.0.0.0")};
            o["fields"][0]["raw"] = true;
        }
    useCard(card);
    const XmlAnswer lan = answer({"qvacmd=getrsclannetworkingobj"});
    EXPECT_EQ(XmlAnswer::text(lan.find("IPAddress")), "1234567890123456");
    EXPECT_EQ(XmlAnswer::text(lan.find("SubnetMask")), "255.0.0.0");
}

} // namespace
} // namespace telmda_test
