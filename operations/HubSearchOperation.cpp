#include "operations/HubSearchOperation.h"

#include <memory>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

// The one entry of the adapter list the discovery code searches.
AdapterList SearchedEntry(const AdapterEntry& adapter) {
    AdapterList entry;
    entry.addresses = {adapter.address.Text()};
    entry.subnetAddresses = {adapter.subnet.Text()};
    entry.broadcastAddresses = {adapter.broadcast.Text()};
    entry.count = 1;
    return entry;
}

// Lines from a worker thread to the scheduler's, batched while that thread is busy.
LogSink BatchedLog(Scheduler& scheduler, const OperationLog& log) {
    struct Pending {
        std::mutex mutex;
        std::string lines;
    };
    const auto pending = std::make_shared<Pending>();
    return [&scheduler, log, pending](const std::string& text) {
        {
            std::lock_guard lock(pending->mutex);
            const bool posted = !pending->lines.empty();
            pending->lines += text;
            if (posted)
                return;
        }
        scheduler.Post([log, pending] {
            std::string lines;
            {
                std::lock_guard lock(pending->mutex);
                lines.swap(pending->lines);
            }
            if (log)
                log(lines);
        });
    };
}

} // namespace

std::vector<HubRecord> HubRecords(const HubList& hubs, const std::vector<HubConflict>& conflicts,
                                  const AdapterEntry& adapter) {
    const auto at = [](const std::vector<std::string>& list, std::size_t i) {
        return i < list.size() ? list[i] : std::string();
    };
    std::vector<HubRecord> records;
    records.reserve(hubs.hubAddresses.size());
    for (std::size_t i = 0; i < hubs.hubAddresses.size(); ++i) {
        HubRecord record;
        // A reply's source address, as the socket gave it.
        record.address = Ipv4::Parse(hubs.hubAddresses[i]).value_or(Ipv4());
        record.physicalAddress = PhysicalAddress::FromText(at(hubs.hubPhysicalAddresses, i));
        record.modelText = at(hubs.hubModelTexts, i);
        record.adapter = adapter.address;
        record.adapterInterface = adapter.interfaceName;
        if (i < conflicts.size())
            record.conflict = conflicts[i];
        records.push_back(std::move(record));
    }
    return records;
}

void SearchAdapter(Scheduler& scheduler, const HubServices& services, const AdapterEntry& adapter,
                   const OperationLog& log, std::function<void(SearchOutcome&&)> done,
                   std::optional<SearchWindow> window) {
    auto outcome = std::make_shared<SearchOutcome>();
    scheduler.RunOffThread(
        [outcome, adapter, line = BatchedLog(scheduler, log),
         socketMaker = services.discoverySocket, diagnosis = services.searchDiagnosis,
         window = window.value_or(SearchWindow{.quietMs = services.searchQuietMs})] {
            {
                const auto socket = socketMaker();
                outcome->count = ::SearchHubs(SearchedEntry(adapter), outcome->hubs, line,
                                              *socket, window);
            }
            outcome->conflicts = FindHubConflicts(outcome->hubs, adapter.address.Text(),
                                                  adapter.mask.Text());
            if (outcome->count == 0 && diagnosis) {
                outcome->facts =
                    diagnosis->Gather(adapter.interfaceName, adapter.address.Text(), DISCOVERY_PORT);
                outcome->findings = JudgeEmptySearch(*outcome->facts);
            }
        },
        [outcome, done = std::move(done)] { done(std::move(*outcome)); });
}

void WaitForHubAt(Scheduler& scheduler, const HubServices& services, const AdapterEntry& adapter,
                  Ipv4 address, const std::string& physicalKey, std::chrono::milliseconds limit,
                  const OperationLog& log, std::function<void(bool found)> done) {
    const auto answered = [address = address.Text(), physicalKey](const HubList& hubs) {
        for (std::size_t i = 0; i < hubs.hubAddresses.size(); ++i) {
            if (hubs.hubAddresses[i] == address &&
                (physicalKey.empty() ||
                 (i < hubs.hubPhysicalAddresses.size() &&
                  ComparablePhysicalAddress(hubs.hubPhysicalAddresses[i]) == physicalKey)))
                return true;
        }
        return false;
    };
    auto found = std::make_shared<bool>(false);
    scheduler.RunOffThread(
        [found, answered, line = BatchedLog(scheduler, log), limit, entry = SearchedEntry(adapter),
         makeSocket = services.discoverySocket, quietMs = services.searchQuietMs] {
            using Clock = std::chrono::steady_clock;
            const auto deadline = Clock::now() + limit;
            for (auto left = limit; left > 0ms;
                 left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                              Clock::now())) {
                const auto started = Clock::now();
                HubList hubs;
                const auto socket = makeSocket();
                const SearchWindow window{.quietMs = quietMs,
                                          .limitMs = static_cast<int>(left.count()),
                                          .enough = answered};
                ::SearchHubs(entry, hubs, line, *socket, window);
                if (answered(hubs)) {
                    *found = true;
                    return;
                }
                // A search that could not even be set up is not tried again at once.
                if (Clock::now() - started < 100ms)
                    std::this_thread::sleep_for(100ms);
            }
        },
        [found, done = std::move(done)] { done(*found); });
}
