// Parses module answers with libxml2 (inside a root element, as the host
// embeds them) and offers the few queries the tests need.
#pragma once

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace telmda_test {

class XmlAnswer {
public:
    // Null document when the text is not well-formed.
    explicit XmlAnswer(const std::string& text);

    bool wellFormed() const { return m_doc != nullptr; }
    // Elements directly under the root, in order.
    std::vector<xmlNodePtr> top() const;
    // The last top-level element must be the status node; its value.
    std::optional<int> status() const;
    std::optional<std::string> statusMessage() const;
    // Number of status nodes at top level.
    int statusCount() const;
    // First element of that name anywhere; null when absent.
    xmlNodePtr find(const char* name) const;
    std::vector<std::string> topNames() const;

    static std::string text(xmlNodePtr node);
    static std::optional<std::string> attribute(xmlNodePtr node, const char* name);
    // Child elements of a node, name -> text, in order.
    static std::vector<std::pair<std::string, std::string>> children(xmlNodePtr node);

private:
    struct DocDeleter {
        void operator()(xmlDocPtr d) const { xmlFreeDoc(d); }
    };
    std::unique_ptr<xmlDoc, DocDeleter> m_doc;
};

} // namespace telmda_test
