// The console's adapters: the inventory, its report, and the choice of the entry through
// which the console works with hubs.
#include "adapters/AdapterReport.h"
#include "adapters/ImproperArgument.h"
#include "console/KestruneDlg.h"
#include "resources/ConsoleTemplate.h"

#include <algorithm>
#include <optional>
#include <string>

namespace {

constexpr const char* kNoAdapters = "Сетевые адаптеры в компьютере не обнаружены";
// The entry last chosen in the selection dialog, by its interface's name and address:
// an entry's index changes as adapters come and go.
constexpr const char* kLastAdapterName = "lastAdapter/name";
constexpr const char* kLastAdapterAddress = "lastAdapter/address";

// The entry that has both the name and the address, if any.
std::optional<int> FindEntry(const AdapterList& adapters, const std::string& name,
                             const std::string& address) {
    if (name.empty() || address.empty())
        return std::nullopt;
    const std::size_t count = std::min(adapters.connectionNames.size(), adapters.addresses.size());
    for (std::size_t entry = 0; entry < count; ++entry) {
        if (adapters.connectionNames[entry] == name && adapters.addresses[entry] == address)
            return static_cast<int>(entry);
    }
    return std::nullopt;
}

} // namespace

void CKestruneDlg::EnumerateAdapters(bool writeReport, int family) {
    const std::string text =
        ::EnumerateAdapters(adapterList_, writeReport, family, *services_.adapters);
    if (!text.empty())
        AppendToLog(text);
}

void CKestruneDlg::ShowAdapterReport() { EnumerateAdapters(true, platform::kAdapterFamilyInet); }

void CKestruneDlg::ShowChosenAdapter() {
    const int chosen = adapterList_.chosenIndex;
    const std::string address = CheckedAt(adapterList_.addresses, chosen);
    const std::string mask = CheckedAt(adapterList_.subnetMasks, chosen);
    view_.SetAddressText(IDC_ADAPTER_ADDRESS, address);
    view_.SetAddressText(IDC_ADAPTER_MASK, mask);
}

AdapterChoice CKestruneDlg::ChooseAdapter() {
    // The dialog says so itself when it has no entry to offer, and opens all the same.
    if (adapterList_.descriptions.empty())
        ShowAppMessage(kNoAdapters, BoxIcon::Warning);
    std::optional<int> last;
    if (services_.loadSetting)
        last = FindEntry(adapterList_, services_.loadSetting(kLastAdapterName),
                         services_.loadSetting(kLastAdapterAddress));
    const AdapterChoice choice = view_.ChooseAdapter(adapterList_, last);
    const auto entry = static_cast<std::size_t>(choice.index);
    if (choice.accepted && services_.storeSetting && entry < adapterList_.addresses.size() &&
        entry < adapterList_.connectionNames.size()) {
        services_.storeSetting(kLastAdapterName, adapterList_.connectionNames[entry]);
        services_.storeSetting(kLastAdapterAddress, adapterList_.addresses[entry]);
    }
    return choice;
}

void CKestruneDlg::StartWithAdapters() {
    EnumerateAdapters(false, platform::kAdapterFamilyInet);
    if (adapterList_.count == 0) {
        SetControlEnabled(IDC_SELECT_ADAPTER, false);
        ShowAppMessage(kNoAdapters, BoxIcon::Warning);
        return;
    }
    adapterList_.chosenIndex = 0;
    if (adapterList_.count == 1) {
        SetControlEnabled(IDC_SELECT_ADAPTER, false);
        ShowChosenAdapter();
        startupSearchPending_ = true;
        return;
    }
    const AdapterChoice choice = ChooseAdapter();
    if (choice.accepted) {
        adapterList_.chosenIndex = choice.index;
        ShowChosenAdapter();
        startupSearchPending_ = true;
    }
}

void CKestruneDlg::SelectAdapter() {
    if (operation_ != Operation::None)
        return;
    EnumerateAdapters(false, platform::kAdapterFamilyInet);
    // Cancelled, the dialog leaves entry 0 chosen.
    adapterList_.chosenIndex = ChooseAdapter().index;
    ShowChosenAdapter();
    SearchHubs();
}
