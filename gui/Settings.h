#pragma once

#include "console/ConsoleServices.h"

// What the program remembers between runs, in Qt's settings: on Linux the file
// kestrune/kestrune.conf in the user's configuration folder ($XDG_CONFIG_HOME, else
// ~/.config). Lower case, as the package and its desktop entry are named.
inline constexpr char kSettingsOrganisation[] = "kestrune";
inline constexpr char kSettingsApplication[] = "kestrune";

// The services given, with loadSetting and storeSetting set when empty.
ConsoleServices WithQtSettings(const ConsoleServices& services);
