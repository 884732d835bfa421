// The strict reader on its own: a key given twice in one object, and a value
// of the wrong kind where an object is asked about, are refused with the
// value's place in the file.
#include "configfile/config_node.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

using standin_config::Document;
using standin_config::Node;

std::string refusal(const std::string& text, void (*read)(const Node&)) {
    try {
        const Document doc(text);
        read(doc.root());
        doc.finish();
    } catch (const std::runtime_error& e) {
        return e.what();
    }
    return "(accepted)";
}

// Reads the keys "a", "b" and "c" of every object, at any depth.
void readAll(const Node& node) {
    if (node.json().is_array()) {
        for (const Node& element : node.elements())
            readAll(element);
    } else if (node.json().is_object()) {
        for (const auto& [key, value] : node.members())
            readAll(value);
    }
}

TEST(ConfigNode, AKeyGivenTwiceInOneObjectIsRefusedByItsPlace) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {R"({"a": 1, "a": 1})", "/a: duplicate key"},
        {R"({"a": [{"b": 1}], "a": []})", "/a: duplicate key"},
        {R"({"a": [{"b": 1}, {"b": 2, "c": 3, "b": 4}]})", "/a/1/b: duplicate key"},
        // The place counts the elements before it, whatever their kind.
        {R"({"a": [1, [2, {"b": 3}], {"c": {}}, "x", {"b": 1, "b": 1}]})", "/a/4/b: duplicate key"},
        {R"({"a": [[], [[{"c": 1}], {"c": {"b": 1, "b": 2}}]]})", "/a/1/1/c/b: duplicate key"},
        {R"({"a": {"b": {"c": 1}, "c": {"c": 1, "c": 2}}})", "/a/c/c: duplicate key"},
        // The same key in different objects is no repetition.
        {R"({"a": {"a": {"a": 1}}, "b": [{"a": 1}, {"a": 2}], "c": {"b": 1, "c": 2}})",
         "(accepted)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(refusal(c.text, readAll), c.message) << c.text;
}

// Asking a number or an array for a key is a type error naming its place,
// not a quiet "absent" that lets the defaults stand in for what was written.
TEST(ConfigNode, AskingAValueThatIsNoObjectForAKeyIsRefused) {
    const auto askB = [](const Node& root) {
        const Node a = root.at("a");
        if (a.contains("b"))
            a.at("b").get<int>();
    };
    const auto valueOfB = [](const Node& root) { root.at("a").value("b", 0); };
    const auto listsUnderB = [](const Node& root) { root.at("a").elements("b"); };
    const struct {
        const char* text;
        void (*read)(const Node&);
        const char* message;
    } cases[] = {
        {R"({"a": 5})", askB, "/a: expected an object, found 5"},
        {R"({"a": [1, 2]})", valueOfB, "/a: expected an object, found [1,2]"},
        {R"({"a": "b"})", listsUnderB, "/a: expected an object, found \"b\""},
        {R"({"a": {"b": "1"}})", askB, "/a/b: expected a whole number, found \"1\""},
        {R"({"a": {}})", valueOfB, "(accepted)"},
        {R"({"a": {"b": [1]}})", listsUnderB, "(accepted)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(refusal(c.text, c.read), c.message) << c.text;
}

} // namespace
