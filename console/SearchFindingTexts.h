#pragma once

#include "discovery/SearchFindings.h"

#include <string>
#include <vector>

// The log's lines, in Russian, for what a search that found nothing left to be checked
// on the PC's side: one line per finding, each with its "\r\n", in the findings' order.
// adapter is the interface's name as the adapter list shows it.
std::string SearchFindingLines(const std::vector<SearchFinding>& findings,
                               const std::string& adapter);
