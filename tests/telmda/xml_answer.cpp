#include "xml_answer.h"

#include <cstring>

namespace telmda_test {
namespace {

xmlNodePtr findIn(xmlNodePtr node, const char* name) {
    for (xmlNodePtr n = node; n; n = n->next) {
        if (n->type != XML_ELEMENT_NODE)
            continue;
        if (std::strcmp(reinterpret_cast<const char*>(n->name), name) == 0)
            return n;
        if (xmlNodePtr inner = findIn(n->children, name))
            return inner;
    }
    return nullptr;
}

} // namespace

XmlAnswer::XmlAnswer(const std::string& text) {
    const std::string doc = "<answer>" + text + "</answer>";
    m_doc.reset(xmlReadMemory(doc.data(), static_cast<int>(doc.size()), "answer.xml", nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
}

std::vector<xmlNodePtr> XmlAnswer::top() const {
    std::vector<xmlNodePtr> out;
    if (!m_doc)
        return out;
    for (xmlNodePtr n = xmlDocGetRootElement(m_doc.get())->children; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE)
            out.push_back(n);
    return out;
}

std::vector<std::string> XmlAnswer::topNames() const {
    std::vector<std::string> names;
    for (xmlNodePtr n : top())
        names.emplace_back(reinterpret_cast<const char*>(n->name));
    return names;
}

std::optional<int> XmlAnswer::status() const {
    const std::vector<xmlNodePtr> nodes = top();
    if (nodes.empty() ||
        std::strcmp(reinterpret_cast<const char*>(nodes.back()->name), "SMStatus") != 0)
        return std::nullopt;
    return std::stoi(text(nodes.back()));
}

std::optional<std::string> XmlAnswer::statusMessage() const {
    const std::vector<xmlNodePtr> nodes = top();
    if (nodes.empty())
        return std::nullopt;
    return attribute(nodes.back(), "msg");
}

int XmlAnswer::statusCount() const {
    int count = 0;
    for (xmlNodePtr n : top())
        count += std::strcmp(reinterpret_cast<const char*>(n->name), "SMStatus") == 0;
    return count;
}

xmlNodePtr XmlAnswer::find(const char* name) const {
    return m_doc ? findIn(xmlDocGetRootElement(m_doc.get())->children, name) : nullptr;
}

std::string XmlAnswer::text(xmlNodePtr node) {
    xmlChar* content = xmlNodeGetContent(node);
    std::string out = content ? reinterpret_cast<const char*>(content) : "";
    xmlFree(content);
    return out;
}

std::optional<std::string> XmlAnswer::attribute(xmlNodePtr node, const char* name) {
    xmlChar* value = xmlGetProp(node, reinterpret_cast<const xmlChar*>(name));
    if (!value)
        return std::nullopt;
    std::string out = reinterpret_cast<const char*>(value);
    xmlFree(value);
    return out;
}

std::vector<std::pair<std::string, std::string>> XmlAnswer::children(xmlNodePtr node) {
    std::vector<std::pair<std::string, std::string>> out;
    for (xmlNodePtr n = node ? node->children : nullptr; n; n = n->next)
        if (n->type == XML_ELEMENT_NODE)
            out.emplace_back(reinterpret_cast<const char*>(n->name), text(n));
    return out;
}

} // namespace telmda_test
