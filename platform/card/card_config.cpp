#include "card_config.h"

#include "configfile/config_node.h"

#include <arpa/inet.h>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace cardsim {

namespace {

using standin_config::Node;

// A reply is 8 header bytes, the payload and a checksum, its length a 16-bit word.
constexpr std::size_t kLargestPayload = 0xFFFF - 9;
// The login response holds the user name after the 16-byte hash, within 255 bytes.
constexpr std::size_t kLongestUser = 255;

std::string address(const Node& node) {
    const std::string text = node.get<std::string>();
    in_addr parsed{};
    if (inet_pton(AF_INET, text.c_str(), &parsed) != 1)
        node.refuse("\"" + text + "\" is not an IPv4 address");
    return text;
}

// A text the card sends with its NUL as a reply's payload.
std::string payloadText(const Node& node) {
    std::string text = node.get<std::string>();
    if (text.size() + 1 > kLargestPayload)
        node.refuse(std::to_string(text.size()) + " characters do not fit a reply (at most " +
                    std::to_string(kLargestPayload - 1) + ")");
    return text;
}

template <class Enum>
Enum named(const Node& node, const std::vector<std::pair<const char*, Enum>>& names) {
    const std::string name = node.get<std::string>();
    for (const auto& [text, value] : names)
        if (name == text)
            return value;
    node.refuse("unknown fault name: " + name);
}

ReplyFault replyFault(const Node& node) {
    return named<ReplyFault>(node, {{"none", ReplyFault::None},
                                    {"noReply", ReplyFault::NoReply},
                                    {"truncatedHeader", ReplyFault::TruncatedHeader},
                                    {"shortLength", ReplyFault::ShortLength},
                                    {"badType", ReplyFault::BadType},
                                    {"long", ReplyFault::Long},
                                    {"badChecksum", ReplyFault::BadChecksum},
                                    {"split", ReplyFault::Split},
                                    {"stallAfterHeader", ReplyFault::StallAfterHeader},
                                    {"stallBeforeChecksum", ReplyFault::StallBeforeChecksum},
                                    {"closedMidFrame", ReplyFault::ClosedMidFrame},
                                    {"unterminated", ReplyFault::Unterminated}});
}

LoginFault loginFault(const Node& node) {
    return named<LoginFault>(node, {{"none", LoginFault::None},
                                    {"wrongIdentifier", LoginFault::WrongIdentifier},
                                    {"failureCode", LoginFault::FailureCode},
                                    {"oversizedValue", LoginFault::OversizedValue},
                                    {"nameField", LoginFault::NameField},
                                    {"hugeLength", LoginFault::HugeLength},
                                    {"notAChallenge", LoginFault::NotAChallenge},
                                    {"closedAfterOpening", LoginFault::ClosedAfterOpening}});
}

// A request names its object by a 7-bit group, an index byte and an object byte.
std::map<ObjectKey, std::string> objects(const Node& list) {
    std::map<ObjectKey, std::string> out;
    for (const Node& o : list.elements()) {
        const int group = o.at("group").within(0, 127);
        const int object = o.at("object").get<std::uint8_t>();
        const int index = o.contains("index") ? o.at("index").get<std::uint8_t>() : 0;
        if (!out.emplace(ObjectKey{group, object, index}, payloadText(o.at("value"))).second)
            o.refuse("group " + std::to_string(group) + " object " + std::to_string(object) +
                     " index " + std::to_string(index) + " is described twice");
    }
    return out;
}

// A command is found by the first word of the request's text.
std::map<std::string, Command> commands(const Node& list) {
    std::map<std::string, Command> out;
    for (const Node& c : list.elements()) {
        const Node nameNode = c.at("name");
        const std::string name = nameNode.get<std::string>();
        if (name.empty() || name.find(' ') != std::string::npos)
            nameNode.refuse("\"" + name + "\" is not one word");
        Command command;
        if (c.contains("output"))
            command.output = payloadText(c.at("output"));
        command.status = c.value("status", std::uint8_t{0});
        if (!out.emplace(name, command).second)
            nameNode.refuse("\"" + name + "\" is described twice");
    }
    return out;
}

std::map<std::string, std::string> users(const Node& list) {
    std::map<std::string, std::string> out;
    for (const Node& u : list.elements()) {
        const Node userNode = u.at("user");
        const std::string user = userNode.get<std::string>();
        if (user.size() > kLongestUser)
            userNode.refuse(std::to_string(user.size()) +
                            " characters do not fit a login (at most " +
                            std::to_string(kLongestUser) + ")");
        if (!out.emplace(user, u.at("password").get<std::string>()).second)
            userNode.refuse("\"" + user + "\" is described twice");
    }
    return out;
}

using Setter = void (*)(const Node&, Config&);

const std::pair<const char*, Setter> kKeys[] = {
    {"address", [](const Node& n, Config& c) { c.address = address(n); }},
    {"port", [](const Node& n, Config& c) { c.port = n.get<std::uint16_t>(); }},
    {"loginPort", [](const Node& n, Config& c) { c.loginPort = n.get<std::uint16_t>(); }},
    {"objects", [](const Node& n, Config& c) { c.objects = objects(n); }},
    {"commands", [](const Node& n, Config& c) { c.commands = commands(n); }},
    {"users", [](const Node& n, Config& c) { c.users = users(n); }},
    {"replyType", [](const Node& n, Config& c) { c.replyType = n.get<unsigned char>(); }},
    {"missingStatus", [](const Node& n, Config& c) { c.missingStatus = n.get<std::uint8_t>(); }},
    // The challenge's size is one byte, and a challenge holds at least one.
    {"challengeSize", [](const Node& n, Config& c) { c.challengeSize = n.within<size_t>(1, 255); }},
    {"longPayload",
     [](const Node& n, Config& c) { c.longPayload = n.within<size_t>(0, kLargestPayload); }},
    {"fault", [](const Node& n, Config& c) { c.fault = replyFault(n); }},
    {"loginFault", [](const Node& n, Config& c) { c.loginFault = loginFault(n); }},
};

} // namespace

Config configFromText(const std::string& text, Config base) {
    const standin_config::Document doc(text);
    const Node top = doc.root();
    for (const auto& [key, set] : kKeys)
        if (top.contains(key))
            set(top.at(key), base);
    doc.finish();
    return base;
}

} // namespace cardsim
