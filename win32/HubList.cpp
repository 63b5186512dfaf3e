#include "win32/HubList.h"

#include "console/AddressFields.h"
#include "resources/ConsoleTemplate.h"
#include "win32/ListView.h"
#include "win32/WideText.h"

#include <algorithm>
#include <commctrl.h>
#include <cstdint>
#include <cwchar>

namespace {

enum Column { kAddress = 0, kName = 1, kPhysicalAddress = 2, kModel = 3, kColumnCount = 4 };

const std::string& Cell(const HubRow& row, int column) {
    switch (column) {
    case kName:
        return row.name;
    case kPhysicalAddress:
        return row.physicalAddress;
    case kModel:
        return row.model;
    default:
        return row.address;
    }
}

// Dotted decimal as one number, so that 198.18.0.9 comes before 198.18.0.10; text that is
// no address sorts after every address.
std::uint64_t AddressKey(const std::string& text) {
    const auto value = ParseDottedQuad(text);
    return value ? *value : std::uint64_t{1} << 32;
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
        for (int column = kName; column < kColumnCount; ++column) {
            std::wstring cell = Wide(Cell(row, column));
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
    if (column < 0 || column >= kColumnCount)
        return;
    ascending_ = column == sortColumn_ ? !ascending_ : true;
    sortColumn_ = column;
    HWND header = ListView_GetHeader(list_);
    for (int i = 0; i < kColumnCount; ++i) {
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
    return reinterpret_cast<const CHubList*>(list)->CompareRows(static_cast<int>(first),
                                                                static_cast<int>(second));
}

int CHubList::CompareRows(int first, int second) const {
    const HubRow& a = rows_[static_cast<std::size_t>(first)];
    const HubRow& b = rows_[static_cast<std::size_t>(second)];
    int order = 0;
    if (sortColumn_ == kAddress) {
        const std::uint64_t ka = AddressKey(a.address);
        const std::uint64_t kb = AddressKey(b.address);
        order = ka < kb ? -1 : (ka > kb ? 1 : 0);
    }
    if (order == 0) {
        const std::wstring ta = Wide(Cell(a, sortColumn_));
        const std::wstring tb = Wide(Cell(b, sortColumn_));
        order = CompareStringW(LOCALE_USER_DEFAULT, 0, ta.c_str(), static_cast<int>(ta.size()),
                               tb.c_str(), static_cast<int>(tb.size())) -
                CSTR_EQUAL;
    }
    if (!ascending_)
        order = -order;
    // Equal cells keep the order the replies came in, either way.
    if (order == 0)
        order = first < second ? -1 : (first > second ? 1 : 0);
    return order;
}

void CHubList::Sort() {
    ListView_SortItems(list_, &CHubList::Compare, reinterpret_cast<LPARAM>(this));
}
