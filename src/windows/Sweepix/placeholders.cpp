#include "placeholders.h"

const std::array<const char*, kPlaceholderCount> kPlaceholderTags = {
    "<vesk2mn>",      "<vesk2ms>", "<qva>",         "<zutr>",   "<sx>",
    "<racmn>",        "<racvnc>",  "<systemdrive>", "<windir>", "<programfilescommon>",
    "<programfiles>", "<desktop>", "<startmenu>"};

void replacePlaceholder(std::string& line, const std::string& value, const std::string& tag) {
    if (value.empty() || tag.empty())
        return;
    for (std::size_t at = line.find(tag); at != std::string::npos;
         at = line.find(tag, at + value.size()))
        line.replace(at, tag.size(), value);
}

bool resolvePlaceholders(std::string& line, const PlaceholderValues& values) {
    for (std::size_t i = 0; i < kPlaceholderCount; ++i)
        replacePlaceholder(line, values[i], kPlaceholderTags[i]);
    for (const char* tag : kPlaceholderTags) {
        if (line.find(tag) != std::string::npos)
            return false;
    }
    return true;
}
