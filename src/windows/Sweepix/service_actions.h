// Stopping and deleting the services listed in the ini file
// ("name;description" per entry).
#pragma once

#include "ini_reader.h"

class StopServices : public INIReader {
public:
    explicit StopServices(bool dependent) : m_bDependent(dependent) {}
    // Always 0, whatever was stopped.
    int action(std::ostream& log) override;

private:
    // Chooses only the log heading: every stop stops active dependents first.
    bool m_bDependent;
};

class DeleteServices : public INIReader {
public:
    // 1 when a service was deleted.
    int action(std::ostream& log) override;
};
