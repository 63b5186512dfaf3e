#include "win32/HubList.h"

#include "console/HubRowOrder.h"
#include "resources/ConsoleTemplate.h"
#include "win32/ListView.h"
#include "win32/WideText.h"

#include <algorithm>
#include <commctrl.h>
#include <cwchar>

namespace {

// Two texts in the user's locale's order, which the core leaves to the face.
int UserLocaleOrder(const std::string& first, const std::string& second) {
    const std::wstring a = Wide(first);
    const std::wstring b = Wide(second);
    return CompareStringW(LOCALE_USER_DEFAULT, 0, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                          static_cast<int>(b.size())) -
           CSTR_EQUAL;
}

// The warning as the tip shows it: its lines without the last line's end.
std::wstring TipText(const std::string& warning) {
    std::wstring text = Wide(warning);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r'))
        text.pop_back();
    return text;
}

} // namespace

void CHubList::Prepare(HWND list) {
    list_ = list;
    SetListColumns(list, HubListColumns());
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    // The list owns its image list and destroys it with itself.
    HIMAGELIST images = ImageList_Create(
        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), ILC_COLOR32 | ILC_MASK, 1, 0);
    if (images != nullptr) {
        ImageList_ReplaceIcon(images, -1, LoadIconW(nullptr, IDI_WARNING));
        ListView_SetImageList(list, images, LVSIL_SMALL);
    }
}

void CHubList::Show(const std::vector<HubRow>& rows) {
    rows_ = rows;
    SendMessageW(list_, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list_);
    for (std::size_t index = 0; index < rows_.size(); ++index) {
        const HubRow& row = rows_[index];
        const int position = static_cast<int>(index);
        std::wstring text = Wide(row.address);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
        item.iItem = position;
        item.pszText = text.data();
        item.lParam = static_cast<LPARAM>(index);
        item.iImage = row.warning.empty() ? I_IMAGENONE : 0;
        SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (int column = kHubNameColumn; column < kHubColumnCount; ++column) {
            std::wstring cell = Wide(HubCell(row, column));
            LVITEMW subItem{};
            subItem.iSubItem = column;
            subItem.pszText = cell.data();
            SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(position),
                         reinterpret_cast<LPARAM>(&subItem));
        }
    }
    if (sortColumn_ >= 0)
        Sort();
    SendMessageW(list_, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list_, nullptr, TRUE);
}

std::optional<int> CHubList::SelectedRow() const {
    return SelectedListItemData(list_);
}

void CHubList::OnColumnClick(int column) {
    if (column < 0 || column >= kHubColumnCount)
        return;
    ascending_ = column == sortColumn_ ? !ascending_ : true;
    sortColumn_ = column;
    HWND header = ListView_GetHeader(list_);
    for (int i = 0; i < kHubColumnCount; ++i) {
        HDITEMW item{};
        item.mask = HDI_FORMAT;
        Header_GetItem(header, i, &item);
        item.fmt &= ~(HDF_SORTUP | HDF_SORTDOWN);
        if (i == sortColumn_)
            item.fmt |= ascending_ ? HDF_SORTUP : HDF_SORTDOWN;
        Header_SetItem(header, i, &item);
    }
    Sort();
}

void CHubList::OnGetInfoTip(NMLVGETINFOTIPW& tip) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = tip.iItem;
    if (tip.pszText == nullptr || tip.cchTextMax <= 0 ||
        !SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return;
    const auto index = static_cast<std::size_t>(item.lParam);
    if (index >= rows_.size() || rows_[index].warning.empty())
        return; // the list's own tip: the cell's text when it does not fit
    const std::wstring text = TipText(rows_[index].warning);
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(tip.cchTextMax - 1));
    wmemcpy(tip.pszText, text.c_str(), length);
    tip.pszText[length] = L'\0';
}

int CALLBACK CHubList::Compare(LPARAM first, LPARAM second, LPARAM list) {
    const std::vector<std::size_t>& place = reinterpret_cast<const CHubList*>(list)->place_;
    const std::size_t a = place[static_cast<std::size_t>(first)];
    const std::size_t b = place[static_cast<std::size_t>(second)];
    return a < b ? -1 : (a > b ? 1 : 0);
}

void CHubList::Sort() {
    // The core's order, handed to the list as each row's place in it: the list moves its
    // items with their selection and focus.
    const std::vector<std::size_t> order =
        HubRowOrder(rows_, sortColumn_, ascending_, UserLocaleOrder);
    place_.assign(rows_.size(), 0);
    for (std::size_t position = 0; position < order.size(); ++position)
        place_[order[position]] = position;
    ListView_SortItems(list_, &CHubList::Compare, reinterpret_cast<LPARAM>(this));
}
