#pragma once

#include "discovery/DiscoveryReply.h"
#include "platform/AdapterSource.h"
#include "platform/DiscoverySocket.h"
#include "platform/EchoService.h"
#include "platform/SearchDiagnosis.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CSocketComm;

// The OS services the hub operations work through. Empty members are filled with the
// host's own; tests give fakes. Each is called from one thread at a time, the search's and
// the echo's off the caller's thread.
struct HubServices {
    std::shared_ptr<platform::AdapterSource> adapters{};
    std::function<std::unique_ptr<platform::DiscoverySocket>()> discoverySocket{};
    std::function<std::vector<platform::EchoProviderLoader>()> echoProviders{};
    // The hub's physical address once the session's connection is open: the log text of
    // the outcome; the address text goes into physicalAddress.
    std::function<std::string(CSocketComm& connection, std::string& physicalAddress)>
        lookUpPhysicalAddress{};
    // What the PC's side says when a search found nothing; its Gather runs off the
    // caller's thread.
    std::shared_ptr<platform::SearchDiagnosis> searchDiagnosis{};
    // The hub's session port.
    std::string hubService = "5000";
    // The wait for each next reply of a search; the window keeps the hubs' usual second.
    int searchQuietMs = DISCOVERY_WAIT_MS;

    // Fills every empty member with the host's own.
    void FillSystemDefaults();
};
