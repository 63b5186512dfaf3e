#pragma once

#include "operations/AdapterInventory.h"
#include "operations/HubSearchOperation.h"
#include "adapters/AdapterList.h"
#include "discovery/HubConflicts.h"
#include "discovery/HubList.h"

#include <string>
#include <vector>

// What kestrunectl prints on standard output: plain data, and its table, JSON and CSV.
// Texts from hubs are printed in UTF-8 with their controls made visible (VisibleHubText),
// never interpreted; every CSV cell is guarded against a spreadsheet's formulas.

std::string TextTable(const std::vector<std::string>& header,
                      const std::vector<std::vector<std::string>>& rows);
// One CSV line with its line end; cells quoted only where they must be, and guarded.
std::string CsvLine(const std::vector<std::string>& cells);

std::string AdaptersTable(const std::vector<AdapterEntry>& entries);
std::string AdaptersJson(const std::vector<AdapterEntry>& entries);

// A hub as a search found it, with what its reply conflicts with in words (empty when
// nothing).
struct FoundHub {
    std::string ip;
    std::string mac;
    std::string model;   // the reply's first line, whole
    std::string adapter; // the adapter's address the reply came in on
    std::string conflict;
};
// The search's replies sorted by their address as a number (replies from one address in
// the order they came), each with its conflicts.
std::vector<FoundHub> FoundHubs(const HubList& hubs, const std::string& adapterAddress,
                                const std::string& adapterMask);
// The same from the search's records, with the conflicts it found already.
std::vector<FoundHub> FoundHubs(const std::vector<HubRecord>& records);
std::string HubsTable(const std::vector<FoundHub>& hubs);
std::string HubsJson(const std::vector<FoundHub>& hubs);
std::string HubsCsv(const std::vector<FoundHub>& hubs);

// A hub's session, as `show` prints it.
struct HubState {
    std::string ip; // the address the session was opened to
    std::string mac;
    std::string model; // empty when the search did not see the hub
    std::vector<int> controllersOnLink;
    std::string address;
    std::string mask;
    std::string gateway;
};
std::string HubStateText(const HubState& hub);
std::string HubStateJson(const HubState& hub);

// One row of `apply`'s report per plan line.
struct ApplyRow {
    int line = 0;
    std::string mac;
    std::string oldAddress; // where the search found the hub; empty when it did not
    std::string newAddress;
    std::string result; // "changed", "unchanged", "missing", "failed" or, in a dry run, "to change"
    std::string reason;
};
std::string ApplyJson(const std::vector<ApplyRow>& rows);

// apply's report written a row at a time, as each hub is done: a table whose columns are
// as wide as the rows of the first look need (a result word or a reason may change, not
// the rest), CSV, or one JSON object a line. JSON is one array, written at the end.
enum class ApplyForm { Table, Csv, Json, JsonLines };
class ApplyReport {
public:
    ApplyReport(ApplyForm form, const std::vector<ApplyRow>& firstLook);
    std::string Start() const; // before the first row
    std::string Row(const ApplyRow& row) const;
    std::string End(const std::vector<ApplyRow>& rows) const; // after the last

private:
    std::string TableLine(const std::vector<std::string>& cells) const;

    ApplyForm form_;
    std::vector<std::size_t> widths_;
};
