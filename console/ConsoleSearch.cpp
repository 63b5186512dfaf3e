// The console's hub search and its hub list.
#include "adapters/ImproperArgument.h"
#include "console/HubConflictTexts.h"
#include "console/KestruneDlg.h"
#include "console/SearchFindingTexts.h"
#include "discovery/HubSearch.h"
#include "discovery/HubText.h"
#include "resources/ConsoleTemplate.h"

#include <mutex>

void CKestruneDlg::OnSearchHubsButton() {
    if (operation_ != Operation::None)
        return;
    SetControlEnabled(IDC_CONNECT, false);
    SearchHubs();
}

void CKestruneDlg::SearchHubs(std::function<void(int)> then) {
    if (operation_ != Operation::None)
        return;
    // An entry index outside the adapter list throws before anything is logged or
    // started; the list view then stays as it was.
    AdapterList entry;
    const int chosen = adapterList_.chosenIndex;
    entry.addresses = {CheckedAt(adapterList_.addresses, chosen)};
    entry.subnetAddresses = {CheckedAt(adapterList_.subnetAddresses, chosen)};
    entry.broadcastAddresses = {CheckedAt(adapterList_.broadcastAddresses, chosen)};
    entry.count = 1;
    const std::string interfaceName = [this, chosen] {
        const auto& names = adapterList_.connectionNames;
        return chosen >= 0 && static_cast<std::size_t>(chosen) < names.size() ? names[chosen]
                                                                              : std::string();
    }();

    Begin(Operation::Search, {IDC_SEARCH_HUBS, IDC_SELECT_ADAPTER, IDC_CONNECT});
    struct Outcome {
        HubList hubs;
        int count = 0;
    };
    auto outcome = std::make_shared<Outcome>();
    RunOffThread(
        [outcome, entry, socketMaker = services_.discoverySocket,
         window = SearchWindow{.quietMs = services_.searchQuietMs}, &scheduler = scheduler_,
         life = std::weak_ptr<CKestruneDlg*>(life_)] {
            // The search's own lines reach the log the moment they happen. While the
            // console's thread is busy, the lines that come meanwhile wait together and
            // are written in one piece: thousands of replies in a burst cost it one
            // append, not thousands.
            struct Pending {
                std::mutex mutex;
                std::string lines;
            };
            const auto pending = std::make_shared<Pending>();
            const auto line = [&scheduler, life, pending](const std::string& text) {
                {
                    std::lock_guard lock(pending->mutex);
                    const bool posted = !pending->lines.empty();
                    pending->lines += text;
                    if (posted)
                        return;
                }
                scheduler.Post([life, pending] {
                    std::string lines;
                    {
                        std::lock_guard lock(pending->mutex);
                        lines.swap(pending->lines);
                    }
                    if (const auto alive = life.lock())
                        (*alive)->AppendToLog(lines);
                });
            };
            const auto socket = socketMaker();
            outcome->count = ::SearchHubs(entry, outcome->hubs, line, *socket, window);
        },
        [outcome, interfaceName, address = entry.addresses[0],
         then = std::move(then)](CKestruneDlg& console) mutable {
            HubList& hubs = console.hubList_;
            hubs.hubAddresses = std::move(outcome->hubs.hubAddresses);
            hubs.hubModelTexts = std::move(outcome->hubs.hubModelTexts);
            hubs.hubPhysicalAddresses = std::move(outcome->hubs.hubPhysicalAddresses);
            console.FillHubList();
            if (const std::string lines =
                    HubConflictLogLines(hubs, console.conflicts_, console.ChosenSubnet());
                !lines.empty())
                console.AppendToLog(lines);
            if (outcome->count == 0) {
                console.DiagnoseEmptySearch(interfaceName, address,
                                            [count = outcome->count, then = std::move(then)] {
                                                if (then)
                                                    then(count);
                                            });
                return;
            }
            console.End();
            if (then)
                then(outcome->count);
        });
}

void CKestruneDlg::DiagnoseEmptySearch(const std::string& interfaceName, const std::string& address,
                                       std::function<void()> then) {
    // The search stays under way until its lines are all written: a new one cannot mix
    // its lines into these.
    auto findings = std::make_shared<std::vector<SearchFinding>>();
    RunOffThread(
        [findings, diagnosis = services_.searchDiagnosis, interfaceName, address] {
            *findings = JudgeEmptySearch(diagnosis->Gather(interfaceName, address, DISCOVERY_PORT));
        },
        [findings, interfaceName, then = std::move(then)](CKestruneDlg& console) {
            console.AppendToLog(SearchFindingLines(*findings, interfaceName));
            console.End();
            then();
        });
}

void CKestruneDlg::FillHubList() {
    const SearchedSubnet adapter = ChosenSubnet();
    conflicts_ = FindHubConflicts(hubList_, adapter.address, adapter.mask);
    rows_.clear();
    view_.ShowHubRows(rows_);
    UpdateData(true);
    for (std::size_t row = 0; row < hubList_.hubAddresses.size(); ++row) {
        HubRow shown;
        shown.address = hubList_.hubAddresses[row];
        // A list cell shows a TAB as the log does not: as its visible stand-in.
        if (row < hubList_.hubPhysicalAddresses.size())
            shown.physicalAddress = VisibleHubText(hubList_.hubPhysicalAddresses[row], false);
        if (row < hubList_.hubModelTexts.size())
            shown.model = VisibleHubText(hubList_.hubModelTexts[row], false);
        shown.warning = HubRowWarning(conflicts_[row], adapter);
        rows_.push_back(std::move(shown));
    }
    if (!rows_.empty()) {
        view_.ShowHubRows(rows_);
        UpdateData(true);
    }
}

void CKestruneDlg::SyncHubSelection() {
    const std::optional<int> row = view_.SelectedHubRow();
    if (!row || *row < 0 || static_cast<std::size_t>(*row) >= rows_.size()) {
        SetControlEnabled(IDC_CONNECT, !view_.AddressText(IDC_CONNECT_ADDRESS).empty());
        return;
    }
    const HubRow& shown = rows_[static_cast<std::size_t>(*row)];
    hubList_.selectedHubIndex = *row;
    view_.SetAddressText(IDC_CONNECT_ADDRESS, shown.address);
    view_.SetControlText(IDC_PHYSICAL_ADDRESS, shown.physicalAddress);
    SetControlEnabled(IDC_CONNECT, true);
    UpdateData(false);
}

SearchedSubnet CKestruneDlg::ChosenSubnet() const {
    const auto entry = [this](const std::vector<std::string>& list) {
        const std::int32_t chosen = adapterList_.chosenIndex;
        return chosen >= 0 && static_cast<std::size_t>(chosen) < list.size() ? list[chosen]
                                                                             : std::string();
    };
    return {entry(adapterList_.addresses), entry(adapterList_.subnetMasks),
            entry(adapterList_.subnetAddresses)};
}

bool CKestruneDlg::ConfirmConflictingHub(const std::string& address) {
    const std::string question =
        ConnectConflictQuestion(hubList_, conflicts_, address, ChosenSubnet());
    return question.empty() || ConfirmWarning(question);
}
