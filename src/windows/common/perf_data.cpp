#include "perf_data.h"

#include <cstring>

namespace kor::perf {
namespace {

// Layout of the published performance-data structures (64-bit builds keep
// the 32-bit fields, so the offsets are the same everywhere).
constexpr std::size_t kBlockHeaderMin = 32; // up to NumObjectTypes
constexpr std::size_t kBlockHeaderLength = 24;
constexpr std::size_t kBlockObjectCount = 28;
constexpr std::size_t kObjectMin = 44; // up to NumInstances
constexpr std::size_t kObjectTotalLength = 0;
constexpr std::size_t kObjectDefinitionLength = 4;
constexpr std::size_t kObjectHeaderLength = 8;
constexpr std::size_t kObjectNameIndex = 12;
constexpr std::size_t kObjectCounterCount = 32;
constexpr std::size_t kObjectInstanceCount = 40;
constexpr std::size_t kCounterDefinitionLength = 40;
constexpr std::size_t kCounterNameIndex = 4;
constexpr std::size_t kCounterOffset = 36;
constexpr std::size_t kInstanceMin = 24; // up to NameLength
constexpr std::size_t kInstanceLength = 0;
constexpr std::size_t kInstanceNameOffset = 16;
constexpr std::size_t kInstanceNameLength = 20;
constexpr std::size_t kCounterBlockMin = 4;

// A window of the block; every read is checked against it.
struct Span {
    const uint8_t* data;
    std::size_t size;

    bool has(uint64_t offset, uint64_t length) const {
        return offset <= size && length <= size - offset;
    }
    uint32_t u32(std::size_t offset) const {
        uint32_t v;
        std::memcpy(&v, data + offset, sizeof v);
        return v;
    }
    Span sub(std::size_t offset, std::size_t length) const { return {data + offset, length}; }
};

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
}

// The digits that end `text`, or nothing when it does not end in one.
std::optional<CounterIndex> trailingNumber(std::string_view text) {
    std::size_t start = text.size();
    while (start > 0 && text[start - 1] >= '0' && text[start - 1] <= '9')
        --start;
    std::string_view digits = text.substr(start);
    if (digits.empty())
        return std::nullopt;
    uint64_t value = 0;
    for (char c : digits) {
        value = value * 10 + static_cast<uint64_t>(c - '0');
        if (value > UINT32_MAX)
            return std::nullopt;
    }
    return CounterIndex{std::string(digits), static_cast<uint32_t>(value)};
}

// The instance's name, up to its NUL or its stated length; nothing when the
// name lies outside the instance definition.
std::optional<std::u16string> readName(Span instance) {
    uint32_t offset = instance.u32(kInstanceNameOffset);
    uint32_t length = instance.u32(kInstanceNameLength);
    if (!instance.has(offset, length))
        return std::nullopt;
    std::u16string name;
    for (std::size_t i = 0; i + 1 < length; i += 2) {
        char16_t c;
        std::memcpy(&c, instance.data + offset + i, sizeof c);
        if (c == 0)
            break;
        name.push_back(c);
    }
    return name;
}

// Finds the object with the asked index among the block's objects.
std::optional<Span> findObject(Span block, uint32_t objectIndex, ParseStatus& status) {
    uint64_t offset = block.u32(kBlockHeaderLength);
    uint32_t count = block.u32(kBlockObjectCount);
    for (uint32_t i = 0; i < count; ++i) {
        if (!block.has(offset, kObjectMin)) {
            status = ParseStatus::BadObject;
            return std::nullopt;
        }
        uint32_t total = block.u32(static_cast<std::size_t>(offset) + kObjectTotalLength);
        if (total < kObjectMin || !block.has(offset, total)) {
            status = ParseStatus::BadObject;
            return std::nullopt;
        }
        Span object = block.sub(static_cast<std::size_t>(offset), total);
        if (object.u32(kObjectNameIndex) == objectIndex)
            return object;
        offset += total;
    }
    status = ParseStatus::NoObject;
    return std::nullopt;
}

// Offset of the id counter within each instance's counter block.
std::optional<uint32_t> idCounterOffset(Span object, uint32_t counterIndex, ParseStatus& status) {
    uint64_t first = object.u32(kObjectHeaderLength);
    uint64_t count = object.u32(kObjectCounterCount);
    if (!object.has(first, count * kCounterDefinitionLength)) {
        status = ParseStatus::BadObject;
        return std::nullopt;
    }
    for (uint64_t i = 0; i < count; ++i) {
        std::size_t at = static_cast<std::size_t>(first + i * kCounterDefinitionLength);
        if (object.u32(at + kCounterNameIndex) == counterIndex)
            return object.u32(at + kCounterOffset);
    }
    status = ParseStatus::NoIdCounter;
    return std::nullopt;
}

} // namespace

std::optional<CounterIndex> findCounterIndex(const char* data, std::size_t size,
                                             std::string_view name) {
    std::optional<CounterIndex> found;
    std::string_view previous;
    std::size_t pos = 0;
    while (pos < size) {
        const void* nul = std::memchr(data + pos, '\0', size - pos);
        std::size_t end =
            nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - data) : size;
        std::string_view text(data + pos, end - pos);
        if (text.empty())
            break;
        if (equalsIgnoringCase(text, name)) {
            if (auto index = trailingNumber(previous))
                found = index;
        }
        previous = text;
        pos = end + 1;
    }
    return found;
}

ParseStatus parseObjectInstances(const uint8_t* data, std::size_t size, const ObjectQuery& query,
                                 std::vector<Instance>& out) {
    out.clear();
    Span block{data, size};
    if (!data || size < kBlockHeaderMin || std::memcmp(data, u"PERF", 8) != 0)
        return ParseStatus::BadHeader;
    ParseStatus status = ParseStatus::Ok;
    auto object = findObject(block, query.objectIndex, status);
    if (!object)
        return status;
    std::optional<uint32_t> idOffset;
    if (query.idCounterIndex) {
        idOffset = idCounterOffset(*object, *query.idCounterIndex, status);
        if (!idOffset)
            return status;
    }
    // A negative count means the object has no instances.
    int32_t declared = static_cast<int32_t>(object->u32(kObjectInstanceCount));
    std::size_t count = declared > 0 ? static_cast<std::size_t>(declared) : 0;
    if (count > query.maxInstances)
        count = query.maxInstances;

    std::vector<Instance> instances;
    uint64_t offset = object->u32(kObjectDefinitionLength);
    for (std::size_t i = 0; i < count; ++i) {
        if (!object->has(offset, kInstanceMin))
            return ParseStatus::BadInstance;
        uint32_t length = object->u32(static_cast<std::size_t>(offset) + kInstanceLength);
        if (length < kInstanceMin || !object->has(offset, length))
            return ParseStatus::BadInstance;
        Span instance = object->sub(static_cast<std::size_t>(offset), length);
        uint64_t countersAt = offset + length;
        if (!object->has(countersAt, kCounterBlockMin))
            return ParseStatus::BadInstance;
        uint32_t countersLength = object->u32(static_cast<std::size_t>(countersAt));
        if (countersLength < kCounterBlockMin || !object->has(countersAt, countersLength))
            return ParseStatus::BadInstance;
        Span counters = object->sub(static_cast<std::size_t>(countersAt), countersLength);

        auto name = readName(instance);
        if (!name)
            return ParseStatus::BadInstance;
        Instance entry;
        entry.name = std::move(*name);
        if (idOffset) {
            if (!counters.has(*idOffset, sizeof(uint32_t)))
                return ParseStatus::BadInstance;
            entry.processId = counters.u32(*idOffset);
        }
        instances.push_back(std::move(entry));
        offset = countersAt + countersLength;
    }
    out = std::move(instances);
    return ParseStatus::Ok;
}

} // namespace kor::perf
