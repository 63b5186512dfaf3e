#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The hubs found by the last search, in the order their replies arrived, as parallel
// lists of equal length (a hub that answered twice is there twice). A list-view row's
// index is its index here. Read entries through CheckedAt (adapters/ImproperArgument.h).
struct HubList {
    std::vector<std::string> hubAddresses;         // the reply's source address, dotted decimal
    std::vector<std::string> hubModelTexts;        // line 1 of the reply: model and firmware
    std::vector<std::string> hubPhysicalAddresses; // line 2 of the reply: the hub's physical
                                                   // address
    std::int32_t selectedHubIndex = 0;             // the row last selected by the user; no
                                                   // search touches it
};
