#pragma once

#include "discovery/HubConflicts.h"
#include "discovery/HubList.h"

#include <string>
#include <vector>

// The window's words for what FindHubConflicts found, in Russian.

// The adapter the search went through: its address, mask and subnet, dotted.
struct SearchedSubnet {
    std::string address;
    std::string mask;
    std::string subnet;
};

// A hub list row's warning: one sentence per conflict, each ending with "\n"; empty
// when the row conflicts with nothing.
std::string HubRowWarning(const HubConflict& conflict, const SearchedSubnet& adapter);

// The log's lines, each with its "\r\n": one per conflict, naming the addresses. A
// conflict that several rows share (one address from two hubs) is one line, at the
// place of its first row.
std::string HubConflictLogLines(const HubList& hubs, const std::vector<HubConflict>& conflicts,
                                const SearchedSubnet& adapter);

// The confirmation before a session to address: what the rows of that address conflict
// with and how to sort it out, then the question. Empty when no row of that address
// conflicts with anything.
std::string ConnectConflictQuestion(const HubList& hubs, const std::vector<HubConflict>& conflicts,
                                    const std::string& address, const SearchedSubnet& adapter);
