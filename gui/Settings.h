#pragma once

#include "console/ConsoleServices.h"

// What the program remembers between runs, in Qt's settings: on Linux the file
// kestrune/kestrune.conf in the user's configuration folder ($XDG_CONFIG_HOME, else
// ~/.config). The services given, with loadSetting and storeSetting set when empty.
ConsoleServices WithQtSettings(const ConsoleServices& services);
