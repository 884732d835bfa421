#include "vorbdb/db_format.h"

namespace vorbdb::format {

std::string makeKey(std::string_view project, std::string_view parameter) {
    std::string key;
    key.reserve(project.size() + 1 + parameter.size());
    key.append(project).append(1, '.').append(parameter);
    return key;
}

std::string_view keyOf(std::string_view line) {
    return line.substr(0, line.find('='));
}

std::string_view valueOf(std::string_view line) {
    std::size_t eq = line.find('=');
    return eq == std::string_view::npos ? std::string_view{} : line.substr(eq + 1);
}

// keyOf(line) == key, without a search for '=' through every line: lines
// that do not even begin with the key are by far the most.
bool hasKey(std::string_view line, std::string_view key) {
    if (line.size() < key.size() || line.compare(0, key.size(), key) != 0)
        return false;
    return (line.size() == key.size() || line[key.size()] == '=') &&
           key.find('=') == std::string_view::npos;
}

bool belongsToProject(std::string_view line, std::string_view project) {
    std::string_view key = keyOf(line);
    return key.size() > project.size() && key.substr(0, project.size()) == project &&
           key[project.size()] == '.';
}

bool findValue(std::string_view content, std::string_view key, std::string_view& value) {
    bool found = false;
    forEachLine(content, [&](std::string_view line) {
        if (!found && hasKey(line, key)) {
            value = valueOf(line);
            found = true;
        }
    });
    return found;
}

namespace {

// A last line kept without its line end gets one before another line
// follows it, or the two would read as one.
std::string& startLine(std::string& out) {
    if (!out.empty() && out.back() != '\n')
        out.append(kLineEnd);
    return out;
}

} // namespace

void appendEntry(std::string& out, std::string_view key, std::string_view value) {
    startLine(out).append(key).append(1, '=').append(value).append(kLineEnd);
}

void appendLine(std::string& out, std::string_view line) {
    startLine(out).append(line).append(kLineEnd);
}

void appendComponentRecord(std::string& out, std::string_view project,
                           const std::string_view (&values)[kComponentFields]) {
    for (std::size_t i = 0; i < kComponentFields; ++i)
        if (!values[i].empty())
            appendEntry(out, makeKey(project, kComponentParameters[i]), values[i]);
}

bool listContains(std::string_view list, std::string_view name) {
    while (true) {
        std::size_t comma = list.find(',');
        if (list.substr(0, comma) == name)
            return true;
        if (comma == std::string_view::npos)
            return false;
        list.remove_prefix(comma + 1);
    }
}

std::string listWith(std::string_view list, std::string_view name) {
    std::string joined(list);
    if (!joined.empty())
        joined.append(1, ',');
    return joined.append(name);
}

bool isStorableText(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos;
}

bool isStorableParameter(std::string_view parameter) {
    return !parameter.empty() && isStorableText(parameter) &&
           parameter.find('=') == std::string_view::npos;
}

} // namespace vorbdb::format
