// Feeds arbitrary ini files to the clean-up program's section reader and its
// entries to the entry, path-list and option parsers. The first byte picks
// the section header and whether its entries are paths; the rest is the file.
#include "entry_parts.h"
#include "ini_section.h"
#include "path_list.h"
#include "shell_options.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 1)
        return 0;
    static const char* const kHeaders[] = {"[FILES_TO_DELETE]", "[A]", "[", ""};
    const std::string header = kHeaders[data[0] % 4];
    std::istringstream in(std::string(reinterpret_cast<const char*>(data + 1), size - 1));
    PlaceholderValues values;
    values[2] = "C:\\Agent";
    values[8] = "C:\\windows";
    IniSection section =
        readIniSection(in, header, values, data[0] & 4 ? EntryKind::Path : EntryKind::Text);

    std::vector<std::string> list;
    for (const auto& entry : section.entries) {
        // Entries are trimmed, never blank, comments or over-long, resolved,
        // and free of NUL.
        if (entry.empty() || entry.find('\0') != std::string::npos ||
            entry.compare(0, 2, "//") == 0 || entry.size() > 2 * kIniLineMax ||
            std::isspace(static_cast<unsigned char>(entry.front())) ||
            std::isspace(static_cast<unsigned char>(entry.back())) ||
            entry.find("<zutr>") != std::string::npos)
            std::abort();
        RegistryValueEntry parts = splitRegistryValueEntry(entry);
        splitArguments(parts.regValue);
        registryRootIndex(parts.rootKey);
        splitServiceEntry(entry);
        splitPathList(list, entry);
    }
    // Joining and splitting again loses nothing but empty pieces.
    std::vector<std::string> again;
    splitPathList(again, joinPathList(list));
    if (again.size() > list.size())
        std::abort();
    if (!section.entries.empty())
        clearPathItem(list, section.entries.front());
    parseOptions(section.entries, "sweepix");
    return 0;
}
