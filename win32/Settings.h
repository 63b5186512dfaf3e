#pragma once

#include "console/ConsoleServices.h"

// What the program remembers between runs, in the registry: one string value per setting,
// named as the setting, under HKEY_CURRENT_USER\Software\kestrune. Lower case, as the
// program and its installer are named.
inline constexpr wchar_t kSettingsKey[] = L"Software\\kestrune";

// The services given, with loadSetting and storeSetting set when empty.
ConsoleServices WithRegistrySettings(const ConsoleServices& services);
