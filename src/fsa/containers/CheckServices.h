#pragma once

// Hands the parameter checks the cache's answers (once per process).
void CT_InstallCheckServices();
