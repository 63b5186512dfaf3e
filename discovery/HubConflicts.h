#pragma once

#include "discovery/HubList.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

// What a search's replies say about address trouble on the segment, as plain data that
// each face words in its own language (the window in Russian, kestrunectl in English).
//
// Typical causes: two new hubs left at one factory address; a hub moved to another
// subnet and still answering the broadcast; a hub given the PC's own address.

// How many others a row's conflict names: a host that answers the broadcast thousands of
// times with made-up physical addresses must not make every row carry all the others.
constexpr std::size_t kConflictNamesShown = 8;

// What one row of the hub list conflicts with. Addresses and physical addresses are the
// texts the hub list holds, each named once, in the order the replies arrived; at most
// kConflictNamesShown of each, the rest counted.
struct HubConflict {
    // Other physical addresses that answered from this row's address: the session to
    // this address may reach any of them.
    std::vector<std::string> otherPhysicalAddresses;
    std::size_t morePhysicalAddresses = 0; // named by no entry above
    // Other addresses that this row's physical address answered from.
    std::vector<std::string> otherAddresses;
    std::size_t moreAddresses = 0; // named by no entry above
    // The hub answered from the chosen adapter's own address.
    bool adapterAddress = false;
    // The hub's address lies outside the chosen adapter's subnet: the PC cannot reach it
    // through that adapter without an address in the hub's subnet.
    bool outsideSubnet = false;

    bool Any() const {
        return !otherPhysicalAddresses.empty() || !otherAddresses.empty() || adapterAddress ||
               outsideSubnet;
    }
};

// Whether two physical address texts name one physical address: compared without regard
// to letter case or separators; an empty one (or one of separators alone) names none.
bool SamePhysicalAddress(const std::string& first, const std::string& second);

// The physical address as SamePhysicalAddress compares it: its letters and digits, lower
// case; empty when it names none.
std::string ComparablePhysicalAddress(const std::string& text);

// One entry per row of hubs (hubs.hubAddresses.size() of them), in row order.
//
// Physical addresses are compared as SamePhysicalAddress does ("00-1A-2B-3C-4D-5E" is
// "00:1a:2b:3c:4d:5e"); an empty one is unknown and conflicts with nothing. A hub that answered
// twice with the same address and physical address is no conflict. adapterAddress and adapterMask
// are dotted texts; when either is not an address, or the mask is 0.0.0.0 (not read yet), no row
// counts as outside the subnet.
std::vector<HubConflict> FindHubConflicts(const HubList& hubs, const std::string& adapterAddress,
                                          const std::string& adapterMask);

// An address and mask to give the PC so that it can reach a hub at hubAddress.
struct PcAddressSuggestion {
    std::string address;
    std::string mask;
};

// The address lies in the hub's /24 (in a block of the adapter's own mask when that is
// narrower), and is neither the block's network nor its broadcast address, nor any
// address of hubs. The hub's own mask is unknown until a session reads it; a /24 block
// lies inside the hub's subnet for any mask of /24 or wider, which is what hubs are
// commissioned with.
//
// The candidates are taken from the top of the block down, starting a few addresses
// below its broadcast address (.250 in a /24), where hubs and routers sit least often.
// Nothing when hubAddress is not an address or the block has no free-looking address.
std::optional<PcAddressSuggestion> SuggestPcAddress(const std::string& hubAddress,
                                                    const std::string& adapterMask,
                                                    const HubList& hubs);
