#pragma once

#include "hubsession/HubParameterRules.h"

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

// Reads and checks the whole plan: every line against the hub's IP rules (with the
// hub's present mask standing for an empty mask cell), and the plan for malformed lines,
// physical addresses and target addresses that appear twice.
Plan ReadPlan(std::string_view content);

// One line of CSV split at separator; a cell in double quotes may hold the separator
// and doubled quotes. False when a quote is left open.
bool SplitCsvLine(std::string_view line, char separator, std::vector<std::string>& cells);
