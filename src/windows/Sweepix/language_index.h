// The language index of the system locale: 0 German, 1 Spanish, 2 French,
// 3 Japanese, 4 Chinese (PRC), 5 any other. It names the Program Files
// directories.
#pragma once

#include <string>

constexpr int kOtherLanguage = 5;

int languageIndexFor(unsigned languageId);
// From the locale's language identifier written in hexadecimal ("0407").
int languageIndexFromText(const std::string& hexText);
