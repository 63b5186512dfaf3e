// The console's hub search and its hub list.
#include "adapters/ImproperArgument.h"
#include "console/HubConflictTexts.h"
#include "console/KestruneDlg.h"
#include "console/SearchFindingTexts.h"
#include "discovery/HubText.h"
#include "resources/ConsoleTemplate.h"

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
    const AdapterEntry adapter = EntryAt(adapterList_, adapterList_.chosenIndex);
    Begin(Operation::Search, {IDC_SEARCH_HUBS, IDC_SELECT_ADAPTER, IDC_CONNECT});
    SearchAdapter(
        scheduler_, services_, adapter,
        [life = std::weak_ptr<CKestruneDlg*>(life_)](const std::string& lines) {
            if (const auto alive = life.lock())
                (*alive)->AppendToLog(lines);
        },
        [life = std::weak_ptr<CKestruneDlg*>(life_), interfaceName = adapter.interfaceName,
         then = std::move(then)](SearchOutcome&& outcome) mutable {
            if (const auto alive = life.lock()) {
                CKestruneDlg& console = **alive;
                console.RunHandler([&] {
                    console.OnSearched(std::move(outcome), interfaceName, std::move(then));
                });
            }
        });
}

void CKestruneDlg::OnSearched(SearchOutcome&& outcome, const std::string& interfaceName,
                              std::function<void(int)> then) {
    hubList_.hubAddresses = std::move(outcome.hubs.hubAddresses);
    hubList_.hubModelTexts = std::move(outcome.hubs.hubModelTexts);
    hubList_.hubPhysicalAddresses = std::move(outcome.hubs.hubPhysicalAddresses);
    FillHubList();
    if (const std::string lines = HubConflictLogLines(hubList_, conflicts_, ChosenSubnet());
        !lines.empty())
        AppendToLog(lines);
    // After a search that found nothing, what the PC's own side tells comes before the
    // search ends: a new one cannot mix its lines into these.
    if (outcome.count == 0 && outcome.facts)
        AppendToLog(SearchFindingLines(outcome.findings, interfaceName));
    End();
    if (then)
        then(outcome.count);
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

bool CKestruneDlg::ConfirmConflictingHub(const std::string& address) {
    const std::string question =
        ConnectConflictQuestion(hubList_, conflicts_, address, ChosenSubnet());
    return question.empty() || ConfirmWarning(question);
}
