// Fuzzes the request path: the input is a parameter list, one "name=value"
// per line, dispatched on "qvacmd" against the example card. Every answer
// must be well-formed XML, and nothing taken from the host or the data
// manager may stay behind.
#include "mgmthost/mgmthost_standin.h"
#include "smil/smil_standin.h"
#include "telmda/telmda.h"

#include <libxml/parser.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

bool wellFormed(const char* text) {
    const std::string doc = std::string("<answer>") + text + "</answer>";
    xmlDocPtr parsed =
        xmlReadMemory(doc.data(), static_cast<int>(doc.size()), "answer.xml", nullptr,
                      XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
    if (!parsed)
        return false;
    xmlFreeDoc(parsed);
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    smil_standin::loadFile(TELMDA_FUZZ_CARD);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> lines(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == '\n')
            lines.emplace_back();
        else
            lines.back().push_back(static_cast<char>(data[i]));
    }
    std::vector<const char*> params;
    for (const std::string& l : lines)
        params.push_back(l.c_str());

    const std::size_t hostLive = ocs_standin::liveObjects();
    char* answer = telmda_sendCmd(static_cast<int32_t>(params.size()), params.data());
    if (answer) {
        if (!wellFormed(answer)) {
            std::fprintf(stderr, "malformed answer: %s\n", answer);
            std::abort();
        }
        telmda_freeData(answer);
    }
    if (ocs_standin::liveObjects() != hostLive || smil_standin::liveObjects() != 0 ||
        ocs_standin::badFrees() != 0 || smil_standin::badFrees() != 0) {
        std::fprintf(stderr, "host or data manager objects left behind\n");
        std::abort();
    }
    ocs_standin::reset(); // journals and the command log would grow without end
    smil_standin::clearJournal();
    return 0;
}
