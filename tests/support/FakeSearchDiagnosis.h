#pragma once

#include "platform/SearchDiagnosis.h"

#include <string>
#include <vector>

// The PC's side of an empty search as the test makes it up.
struct FakeSearchDiagnosis : platform::SearchDiagnosis {
    platform::SearchSystemFacts facts;
    std::vector<std::string> asked;   // the interfaces gathered for
    std::vector<std::uint16_t> ports; // the ports gathered for
    platform::SearchSystemFacts Gather(const std::string& interfaceName, const std::string&,
                                       std::uint16_t port) override {
        asked.push_back(interfaceName);
        ports.push_back(port);
        return facts;
    }
};
