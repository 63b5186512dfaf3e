#pragma once

#include "discovery/SearchFindings.h"

#include <string>
#include <vector>

// The findings in English, one line each ending in "\n", each check named, the ones that
// could not be made as not checked with the system's reason.
std::string EmptySearchWords(const std::vector<SearchFinding>& findings,
                             const std::string& interfaceName);
