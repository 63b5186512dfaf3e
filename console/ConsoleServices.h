#pragma once

#include "discovery/DiscoveryReply.h"
#include "platform/AdapterSource.h"
#include "platform/DiscoverySocket.h"
#include "platform/EchoService.h"
#include "platform/SearchDiagnosis.h"

#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CSocketComm;

// The OS services the console works through. Empty members are filled with the host's
// own; tests give fakes. Each is called from one thread at a time, the search's and the
// echo's off the console's thread.
struct ConsoleServices {
    std::shared_ptr<platform::AdapterSource> adapters{};
    std::function<std::unique_ptr<platform::DiscoverySocket>()> discoverySocket{};
    std::function<std::vector<platform::EchoProviderLoader>()> echoProviders{};
    // The hub's physical address once the session's connection is open: the log text of
    // the outcome; the address text goes into physicalAddress.
    std::function<std::string(CSocketComm& connection, std::string& physicalAddress)>
        lookUpPhysicalAddress{};
    // What the PC's side says when a search found nothing; its Gather runs off the
    // console's thread.
    std::shared_ptr<platform::SearchDiagnosis> searchDiagnosis{};
    // The hub's session port.
    std::string hubService = "5000";
    // The wait for each next reply of a search; the window keeps the hubs' usual second.
    int searchQuietMs = DISCOVERY_WAIT_MS;
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
