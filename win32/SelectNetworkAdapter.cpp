#include "win32/SelectNetworkAdapter.h"

#include "resources/ConsoleTemplate.h"
#include "resources/SelectAdapterTemplate.h"
#include "win32/ListView.h"

#include <commctrl.h>

namespace {

// The list shows every entry at once, without scroll bars.
constexpr ExtraControlStyle kExtraStyles[] = {{IDC_ADAPTER_LIST, LVS_NOSCROLL}};

} // namespace

CSelectNetworkAdapter::CSelectNetworkAdapter(AdapterList adapters, std::optional<int> preselected)
    : CTemplateDialog(SelectAdapterTemplate(), ChildDialogFrame(), kExtraStyles),
      adapters_(std::move(adapters)), preselected_(preselected) {}

AdapterChoice CSelectNetworkAdapter::Choose(HWND owner) {
    const bool accepted = DoModal(owner) == IDOK;
    return {accepted, selectedAdapterIndex};
}

BOOL CSelectNetworkAdapter::OnInitDialog() {
    SetProgramIcon();
    HWND list = Item(IDC_ADAPTER_LIST);
    SetListColumns(list, AdapterListColumns());
    // Rows are filled from the same entry of each list; a list shorter than the
    // descriptions (never, for a whole enumeration) leaves its cell empty.
    const auto cell = [](const std::vector<std::string>& list, std::size_t row) {
        return row < list.size() ? list[row] : std::string();
    };
    std::vector<std::vector<std::string>> rows;
    for (std::size_t row = 0; row < adapters_.descriptions.size(); ++row) {
        rows.push_back({cell(adapters_.connectionNames, row), cell(adapters_.addresses, row),
                        cell(adapters_.descriptions, row)});
    }
    SetListRows(list, rows);
    if (preselected_ && *preselected_ >= 0 && *preselected_ < static_cast<int>(rows.size())) {
        ListView_SetItemState(list, *preselected_, LVIS_SELECTED | LVIS_FOCUSED,
                              LVIS_SELECTED | LVIS_FOCUSED);
        ListView_EnsureVisible(list, *preselected_, FALSE);
        // The list has the keyboard focus, on that row.
        SetFocus(list);
        return FALSE;
    }
    return TRUE;
}

INT_PTR CSelectNetworkAdapter::DialogProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED) {
        if (const auto row = SelectedListItemData(Item(IDC_ADAPTER_LIST)))
            selectedAdapterIndex = *row;
        End(IDOK);
        return TRUE;
    }
    return CTemplateDialog::DialogProc(message, wParam, lParam);
}
