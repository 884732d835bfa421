#pragma once

#include <string>

// The agreement file as the agreement dialog shows it: every line (at most
// 1023 characters of it, nothing after them) followed by "\r\n", plus one
// more "\r\n" for the read that meets the end of the file. Empty when the
// file cannot be opened.
std::string readAgreementText(const std::string& path);
