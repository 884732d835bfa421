// How the actions split their entry lines.
#pragma once

#include <string>

// "name;description": split at the first ";". Without one, or with one in
// front, the whole entry is the name.
struct ServiceEntry {
    std::string name;
    std::string description;
};
ServiceEntry splitServiceEntry(const std::string& entry);

// "<root>\<key path>:<value name>[:<arguments>]". `valid` is false when the
// entry has no "\" (noRoot) or no usable ":" (noValue).
struct RegistryValueEntry {
    enum class Problem { None, NoRoot, NoValue };
    Problem problem = Problem::None;
    std::string rootKey;
    std::string regKey;
    std::string regValue;
};
RegistryValueEntry splitRegistryValueEntry(const std::string& entry);

// Splits arguments off a value name ("Name:args"), where a ":" after the
// first character starts them; answers the arguments (possibly empty).
std::string splitArguments(std::string& regValue);

// The root names in the order they are tried; a root part selects the first
// one it contains (case-sensitive). -1 when it contains none.
constexpr int kRegistryRootCount = 5;
extern const char* const kRegistryRootNames[kRegistryRootCount];
int registryRootIndex(const std::string& rootPart);

// ASCII comparison ignoring case.
bool equalsIgnoringCase(const std::string& a, const std::string& b);
