#pragma once

#include "discovery/HubConflicts.h"
#include "discovery/HubList.h"
#include "discovery/HubSearch.h"
#include "discovery/PhysicalAddress.h"
#include "discovery/SearchFindings.h"
#include "operations/AdapterInventory.h"
#include "operations/HubServices.h"
#include "operations/Scheduler.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// What one search of an adapter's subnet found.
struct SearchOutcome {
    // The replies kept, in the order they arrived (a hub that answered twice is there twice).
    HubList hubs;
    int count = 0; // replies kept
    // What each row conflicts with, judged against the adapter searched.
    std::vector<HubConflict> conflicts;
    // After a search that found nothing: what the PC's own side told, and the findings.
    std::optional<platform::SearchSystemFacts> facts;
    std::vector<SearchFinding> findings;
};

// One reply of a search as a typed record: where it came from, what it said, the adapter
// it came in on, and what it conflicts with.
struct HubRecord {
    Ipv4 address;
    PhysicalAddress physicalAddress; // from the reply's second line
    std::string modelText;       // the reply's first line: model and firmware
    Ipv4 adapter;                // the address of the adapter entry searched
    std::string adapterInterface;
    HubConflict conflict;
};
// The replies of hubs (with conflicts, one per row) as records, in the order they came.
std::vector<HubRecord> HubRecords(const HubList& hubs, const std::vector<HubConflict>& conflicts,
                                  const AdapterEntry& adapter);

// Where the lines of an operation go: on the scheduler's thread, whole lines with their
// "\r\n", the moment they happen. While the scheduler's thread is busy, the lines that
// come meanwhile wait together and come in one piece: thousands of replies in a burst
// cost one call, not thousands.
using OperationLog = std::function<void(const std::string& lines)>;

// Searches the adapter's subnet off the scheduler's thread: the search's lines to log, and
// after a search that found nothing the PC's side is read as well; then done, on the
// scheduler's thread, with what was found. The wait for each next reply is the services'
// searchQuietMs unless window says otherwise. The caller's log and done must find out for
// themselves whether their receiver still exists.
void SearchAdapter(Scheduler& scheduler, const HubServices& services, const AdapterEntry& adapter,
                   const OperationLog& log, std::function<void(SearchOutcome&&)> done,
                   std::optional<SearchWindow> window = std::nullopt);

// Searches the adapter's subnet again and again, off the scheduler's thread, until a hub
// whose physical address compares as physicalKey (any, when empty) answers from address,
// for limit at most; then done with whether it did.
void WaitForHubAt(Scheduler& scheduler, const HubServices& services, const AdapterEntry& adapter,
                  Ipv4 address, const std::string& physicalKey, std::chrono::milliseconds limit,
                  const OperationLog& log, std::function<void(bool found)> done);
