// Stopping and deleting the services listed in the ini file
// ("name;description" per entry).
#pragma once

#include "ini_reader.h"

// Which list of the ini file a stop action reads; it chooses only the log
// heading: every stop stops active dependents first.
enum class ServiceList { Single, Dependent };

class StopServices : public INIReader {
public:
    explicit StopServices(ServiceList list) : m_list(list) {}
    // Always 0, whatever was stopped.
    int action(std::ostream& log) override;

private:
    ServiceList m_list;
};

class DeleteServices : public INIReader {
public:
    // 1 when a service was deleted.
    int action(std::ostream& log) override;
};
