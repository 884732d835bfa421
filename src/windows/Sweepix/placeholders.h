// The path placeholders of the ini file and their replacement.
#pragma once

#include <array>
#include <cstddef>
#include <string>

constexpr std::size_t kPlaceholderCount = 13;

// The tags in the order in which they are replaced.
extern const std::array<const char*, kPlaceholderCount> kPlaceholderTags;

// The directory standing behind each tag, in the order of kPlaceholderTags;
// an empty value means "not on this machine".
using PlaceholderValues = std::array<std::string, kPlaceholderCount>;

// Replaces every occurrence of `tag` by `value`, never searching an inserted
// value again; does nothing when `value` is empty.
void replacePlaceholder(std::string& line, const std::string& value, const std::string& tag);

// Replaces all tags in order; false when a tag is left (its value was empty).
bool resolvePlaceholders(std::string& line, const PlaceholderValues& values);
