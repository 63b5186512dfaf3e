#pragma once

#include "operations/HubServices.h"

#include <ctime>
#include <functional>
#include <string>
#include <string_view>

// What the console works through: the hub operations' OS services, and the files and
// settings of the person at the window.
struct ConsoleServices : HubServices {
    // Writes a file the person saves, whole: empty, or the system's reason it failed.
    std::function<std::string(const std::string& path, std::string_view bytes)> writeFile{};
    // The local time that the names of saved files carry.
    std::function<std::tm()> localTime{};
    // What the program remembers between runs, by name, where the face's platform keeps a
    // user's settings (Qt's settings on Linux, the registry under HKCU in the Win32 face).
    // A setting never stored loads as empty. Without them nothing is remembered.
    std::function<std::string(const std::string& name)> loadSetting{};
    std::function<void(const std::string& name, const std::string& value)> storeSetting{};

    // These services with every empty one the host's own.
    ConsoleServices WithSystemDefaults() const;
};
