#pragma once

#include "adapters/AdapterList.h"
#include "discovery/DiscoveryReply.h"
#include "discovery/HubList.h"
#include "platform/DiscoverySocket.h"

#include <cstdint>
#include <functional>
#include <string>

// The hub search on the console's thread. Log lines go to log as whole lines with their
// "\r\n", the moment they happen. After a search the console rebuilds its hub list view
// from HubList itself (FillHubList).
using LogSink = std::function<void(const std::string& line)>;

enum class WaitOutcome { Failed, TimedOut, Readable };

// How long a search listens. The window's search waits DISCOVERY_WAIT_MS for each next
// reply; the command-line tool lets the person set that wait, and its check that a hub
// has moved stops at the reply it waits for.
struct SearchWindow {
    int quietMs = DISCOVERY_WAIT_MS;         // the wait for each next reply
    int limitMs = DISCOVERY_SEARCH_LIMIT_MS; // the whole search at the most
    std::size_t maxRows = kDiscoveryMaxRows; // replies beyond it are counted, not kept
    // Asked after each counted reply: true ends the search there.
    std::function<bool(const HubList& hubs)> enough{};
};

WaitOutcome WaitReadable(platform::DiscoverySocket& socket, std::uint32_t milliseconds);

// Broadcasts the request to destination from localAddress (not bound when empty) and
// collects replies until window.quietMs pass without one, window.limitMs at the most, or
// window.enough says so; each counted reply is
// appended to hubs and logged, up to window.maxRows rows in hubs; the replies beyond that
// are counted and named by one log line at the end. Returns the number of replies kept
// (the ones beyond the limit are not in it); 0 also when the socket cannot
// be set up. A datagram longer than the receive buffer is passed over and the search
// goes on; a failed wait or read ends the search with what was counted so far.
int DiscoverHubs(const std::string& destination, const std::string& localAddress, HubList& hubs,
                 const LogSink& log, platform::DiscoverySocket& socket,
                 const SearchWindow& window = {});

// Searches the subnet of the adapter entry adapters.chosenIndex: logs the start, empties
// hubs (selectedHubIndex stays), runs DiscoverHubs on the entry's broadcast address from
// its address, logs when none was found. Throws ImproperArgument, with nothing logged and
// hubs untouched, when chosenIndex is not an entry. The overload without a socket uses
// the platform's own.
int SearchHubs(const AdapterList& adapters, HubList& hubs, const LogSink& log,
               platform::DiscoverySocket& socket, const SearchWindow& window = {});
int SearchHubs(const AdapterList& adapters, HubList& hubs, const LogSink& log);
