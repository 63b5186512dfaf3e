#pragma once

#include "console/AddressFields.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A site's plan for `kestrunectl apply`: which hub (by physical address) gets which IP
// parameters. The file is CSV in UTF-8, with or without a byte-order mark, its cells
// separated by commas or, as spreadsheets in Russian locales write it, by semicolons
// (the header line tells which). Lines starting with "#" are comments, blank lines are
// passed over. The header names the columns: mac and ip, and optionally mask and gateway,
// in any order. An empty mask or gateway cell keeps the hub's present value.
struct PlanLine {
    int lineNumber = 0;      // in the file, counting from 1
    std::string mac;         // as written
    std::string physicalKey; // PhysicalAddressKey of mac
    AddressParts address{};
    std::optional<AddressParts> mask;    // nothing: the hub keeps its own
    std::optional<AddressParts> gateway; // nothing: the hub keeps its own
};

struct PlanProblem {
    int lineNumber = 0;
    std::string text; // English; the hub's rule messages are quoted as the window words them
};

struct Plan {
    std::vector<PlanLine> lines;
    std::vector<PlanProblem> problems; // in line order; any problem means nothing is sent
};

// Reads and checks the whole plan: every line against the rules on new hub parameters
// (the rules on the mask and the subnet wait for the session where a mask cell is
// empty), and the plan for malformed lines, physical addresses and target addresses that
// appear twice. A gateway outside its line's subnet is a problem unless gatewaysOutside
// are allowed (--yes).
Plan ReadPlan(std::string_view content, bool gatewaysOutsideAllowed = false);

// The problems of a plan that ReadPlan passed once the adapter is known: the lines that
// would give a hub the adapter's own address.
std::vector<PlanProblem> AdapterProblems(const Plan& plan, Ipv4 adapterAddress);

// Why a gateway outside the hub's new subnet is not set without --yes.
std::string GatewayOutsideWords(const AddressParts& address, const AddressParts& mask,
                                const AddressParts& gateway);

// One line of CSV split at separator; a cell in double quotes may hold the separator
// and doubled quotes. False when a quote is left open.
bool SplitCsvLine(std::string_view line, char separator, std::vector<std::string>& cells);
