// Deleting files and directories, and removing directories from the
// machine's Path and the suite's QVPATH variable.
#pragma once

#include "ini_reader.h"
#include "tree_removal.h"

class DeleteFiles : public INIReader {
public:
    DeleteFiles() : INIReader(EntryKind::Path) {}
    int action(std::ostream& log) override; // always 0
};

// Deletes the listed directories as `removal` says.
class DeleteDirectories : public INIReader {
public:
    explicit DeleteDirectories(TreeRemoval removal)
        : INIReader(EntryKind::Path), m_removal(removal) {}
    int action(std::ostream& log) override; // always 0

private:
    TreeRemoval m_removal;
};

// Entries are compared as text with the items of Path and QVPATH and never
// reach the file system, so an item as Windows takes it in Path, quoted for
// one, can be named.
class DeletePathEntries : public INIReader {
public:
    DeletePathEntries() : INIReader(EntryKind::Text) {}
    int action(std::ostream& log) override; // 1 when Path was rewritten
};
