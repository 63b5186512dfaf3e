#pragma once

#include "discovery/SearchFindings.h"
#include "platform/SearchDiagnosis.h"

#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// After a search that found nothing, the console reads the PC's side of it (off its
// thread) and logs its findings in Russian. The tool keeps what the console read, so that
// it says the same on standard error in English without reading it all a second time.
class RememberedSearchDiagnosis final : public platform::SearchDiagnosis {
public:
    explicit RememberedSearchDiagnosis(std::shared_ptr<platform::SearchDiagnosis> system)
        : system_(std::move(system)) {}

    platform::SearchSystemFacts Gather(const std::string& interfaceName, const std::string& address,
                                       std::uint16_t port) override;
    // What the last Gather read, if there was one.
    std::optional<platform::SearchSystemFacts> Last() const;

private:
    const std::shared_ptr<platform::SearchDiagnosis> system_;
    mutable std::mutex mutex_;
    std::optional<platform::SearchSystemFacts> last_;
};

// The findings in English, one line each ending in "\n", each check named, the ones that
// could not be made as not checked with the system's reason.
std::string EmptySearchWords(const std::vector<SearchFinding>& findings,
                             const std::string& interfaceName);
