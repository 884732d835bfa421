// XML answer buffers, the status node, the command-log parameter piece and
// the command-help answer.
#include "host_state.h"
#include "mgmthost/ocs.h"
#include "xml_text.h"

#include <cstdlib>
#include <cstring>
#include <string>

using namespace ocs_standin;

namespace {

OCSXBuf* newBuffer(HostState& s, uint32_t initialSize) {
    if (!allocationAllowed(s))
        return nullptr;
    auto* buf = static_cast<OCSXBuf*>(std::calloc(1, sizeof(OCSXBuf)));
    const uint32_t capacity = initialSize < 16 ? 16 : initialSize;
    char* text = static_cast<char*>(std::calloc(capacity, 1));
    if (!buf || !text) {
        std::free(buf);
        std::free(text);
        return nullptr;
    }
    buf->text = text;
    buf->capacity = capacity;
    track(s, buf, Kind::Buffer);
    track(s, text, Kind::Text);
    return buf;
}

bool isBuffer(HostState& s, const OCSXBuf* buf) {
    auto it = s.live.find(buf);
    return buf && it != s.live.end() && it->second == Kind::Buffer;
}

int32_t append(HostState& s, OCSXBuf* buf, const std::string& piece) {
    if (!isBuffer(s, buf))
        return -1;
    const std::size_t need = std::size_t(buf->length) + piece.size() + 1;
    if (need > 0x7FFFFFFF)
        return -1;
    if (need > buf->capacity) {
        std::size_t capacity = buf->capacity;
        while (capacity < need)
            capacity *= 2;
        char* grown = static_cast<char*>(std::realloc(buf->text, capacity));
        if (!grown)
            return -1;
        s.live.erase(buf->text);
        track(s, grown, Kind::Text);
        buf->text = grown;
        buf->capacity = static_cast<uint32_t>(capacity);
    }
    std::memcpy(buf->text + buf->length, piece.data(), piece.size());
    buf->length += static_cast<uint32_t>(piece.size());
    buf->text[buf->length] = '\0';
    return 0;
}

// The text form of a value of one of the writer's kinds; false for an
// unknown kind.
bool valueText(int32_t kind, const void* value, std::string* out) {
    switch (kind) {
    case OCS_KIND_TEXT:
    case OCS_KIND_OBJ_TEXT:
        *out = escapeXml(static_cast<const char*>(value));
        return true;
    default:
        break;
    }
    if (!value)
        return false;
    switch (kind) {
    case OCS_KIND_BOOLEAN:
        *out = std::to_string(*static_cast<const uint16_t*>(value));
        return true;
    case OCS_KIND_UINT32:
        *out = std::to_string(*static_cast<const uint32_t*>(value));
        return true;
    case OCS_KIND_INT32:
        *out = std::to_string(*static_cast<const int32_t*>(value));
        return true;
    case OCS_KIND_UINT8:
        *out = std::to_string(*static_cast<const uint8_t*>(value));
        return true;
    case OCS_KIND_UINT16:
        *out = std::to_string(*static_cast<const uint16_t*>(value));
        return true;
    default:
        return false;
    }
}

std::string openTag(const char* name, const char* attributes, bool empty) {
    std::string tag = std::string("<") + name;
    if (attributes && *attributes)
        tag += std::string(" ") + attributes;
    return tag + (empty ? "/>" : ">");
}

std::string element(const char* name, const std::string& text) {
    return std::string("<") + name + ">" + text + "</" + name + ">";
}

} // namespace

extern "C" {

OCSXBuf* OCSXAllocBuf(uint32_t initialSize, uint32_t) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    noteCall(s, "OCSXAllocBuf");
    noteContext(s);
    return newBuffer(s, initialSize);
}

int32_t OCSXBufCatNode(OCSXBuf* buf, const char* name, const char* attributes, int32_t kind,
                       const void* value) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::string text;
    if (!validElementName(name) || !valueText(kind, value, &text))
        return -1;
    return append(s, buf, openTag(name, attributes, false) + text + "</" + name + ">");
}

int32_t OCSXBufCatBeginNode(OCSXBuf* buf, const char* name, const char* attributes) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    return validElementName(name) ? append(s, buf, openTag(name, attributes, false)) : -1;
}

int32_t OCSXBufCatEmptyNode(OCSXBuf* buf, const char* name, const char* attributes) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    return validElementName(name) ? append(s, buf, openTag(name, attributes, true)) : -1;
}

int32_t OCSXBufCatEndNode(OCSXBuf* buf, const char* name) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    return validElementName(name) ? append(s, buf, std::string("</") + name + ">") : -1;
}

int32_t OCSDASCatSMStatusNode(OCSXBuf* buf, int32_t status, const char* message) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::string node = "<SMStatus";
    if (message)
        node += " msg=\"" + escapeXml(message) + "\"";
    return append(s, buf, node + ">" + std::to_string(status) + "</SMStatus>");
}

int32_t OCSDASBufCatSetCmdParam(OCSXBuf* buf, const char* name, const void* oldValue,
                                const void* newValue, const void* value, int32_t kind) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::string piece = "<Param name=\"" + escapeXml(name) + "\">";
    std::string text;
    if (value) {
        if (!valueText(kind, value, &text))
            return -1;
        piece += element("Value", text);
    } else {
        if (!valueText(kind, oldValue, &text))
            return -1;
        piece += element("Old", text);
        if (!valueText(kind, newValue, &text))
            return -1;
        piece += element("New", text);
    }
    return append(s, buf, piece + "</Param>");
}

char* OCSXFreeBufGetContent(OCSXBuf* buf) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!untrack(s, buf, Kind::Buffer, "OCSXFreeBufGetContent"))
        return nullptr;
    char* text = buf->text;
    std::free(buf);
    return text;
}

void OCSXFreeBuf(OCSXBuf* buf) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!untrack(s, buf, Kind::Buffer, "OCSXFreeBuf"))
        return;
    s.live.erase(buf->text);
    std::free(buf->text);
    std::free(buf);
}

void OCSXFreeBufContent(char* text) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    noteCall(s, "OCSXFreeBufContent");
    noteContext(s);
    if (untrack(s, text, Kind::Text, "OCSXFreeBufContent"))
        std::free(text);
}

char* OCSDASCMDHelp(int32_t, OCSParamList, const OCSDASCmdRow* table, uint32_t rows,
                    OCSDASCmdHandler) {
    HostState& s = hostState();
    std::lock_guard<std::mutex> lock(s.mutex);
    noteCall(s, "OCSDASCMDHelp");
    OCSXBuf* buf = newBuffer(s, 256);
    if (!buf)
        return nullptr;
    std::string list = "<CmdList count=\"" + std::to_string(rows) + "\">";
    for (uint32_t i = 0; table && i < rows; ++i)
        list += element("Cmd", escapeXml(table[i].name));
    append(s, buf, list + "</CmdList><SMStatus>0</SMStatus>");
    s.live.erase(buf);
    char* text = buf->text;
    std::free(buf);
    return text;
}

} // extern "C"
