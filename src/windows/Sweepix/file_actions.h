// Deleting files and directories, and removing directories from the
// machine's Path and the suite's QVPATH variable.
#pragma once

#include "ini_reader.h"

class DeleteFiles : public INIReader {
public:
    DeleteFiles() : INIReader(EntryKind::Path) {}
    int action(std::ostream& log) override; // always 0
};

// Deletes directory trees; with the if-empty flag only those without
// subdirectories (their files go with them).
class DeleteDirectories : public INIReader {
public:
    explicit DeleteDirectories(bool ifEmpty) : INIReader(EntryKind::Path), m_bIfEmpty(ifEmpty) {}
    int action(std::ostream& log) override; // always 0

private:
    bool m_bIfEmpty;
};

class DeletePathEntries : public INIReader {
public:
    DeletePathEntries() : INIReader(EntryKind::Path) {}
    int action(std::ostream& log) override; // 1 when Path was rewritten
};
