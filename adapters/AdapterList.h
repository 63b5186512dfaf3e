#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The console's inventory of usable adapter addresses: one entry per IPv4 unicast address
// of an accepted adapter, kept as parallel lists of equal length indexed by entry number.
// Read entries through CheckedAt (ImproperArgument.h): chosenIndex survives a
// re-enumeration that made the list shorter.
struct AdapterList {
    std::vector<std::string> addresses;          // "192.168.1.10"
    std::vector<std::string> descriptions;       // the hardware, as the platform describes it
    std::vector<std::string> connectionNames;    // the connection's (interface's) name
    std::vector<std::string> subnetMasks;        // "0.0.0.0" until the address table has been read
    std::vector<std::string> subnetAddresses;    // address AND mask, "0.0.0.0" until then
    std::vector<std::string> broadcastAddresses; // address OR NOT mask, "0.0.0.0" until then
    std::vector<std::uint32_t> interfaceTypes;   // platform::InterfaceType: Ethernet, Wi-Fi
    std::vector<bool> carriers; // the interface has a carrier, as the address table says
    std::int32_t count = 0;                      // the lists' length; 0 while an enumeration runs
    std::int32_t chosenIndex = 0;                // the entry the console works through; set
                                                 // by the console
};
