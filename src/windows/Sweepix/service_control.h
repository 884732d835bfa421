// Stopping and deleting Windows services by key name or display name.
#pragma once

#include <string>

// 1 when the service (after its active dependents) is stopped, else 0.
short StopService(const std::string& name, const std::string& description);
// 1 when the service was deleted or is already marked for deletion, else 0.
short RemoveService(const std::string& name, const std::string& description);
