#include "win32/ListView.h"

#include "win32/WideText.h"

#include <algorithm>
#include <commctrl.h>

namespace {

// The margin a list view keeps around a cell's text, on both sides together.
constexpr int kCellTextMargin = 12;

// The window's own resolution: per monitor where the system tells it (Windows 10 1607 and
// later), else the system's.
UINT DpiOf(HWND window) {
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow =
        reinterpret_cast<GetDpiForWindowFunction>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow != nullptr) {
        if (const UINT dpi = getDpiForWindow(window); dpi != 0)
            return dpi;
    }
    HDC dc = GetDC(window);
    const int dpi = dc != nullptr ? GetDeviceCaps(dc, LOGPIXELSX) : 96;
    if (dc != nullptr)
        ReleaseDC(window, dc);
    return static_cast<UINT>(dpi);
}

int ScaledToWindow(HWND window, int pixels) {
    return MulDiv(pixels, static_cast<int>(DpiOf(window)), 96);
}

} // namespace

void SetListColumns(HWND list, std::span<const ListColumn> columns) {
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const ListColumn& column = columns[i];
        int width = ScaledToWindow(list, column.widthPixels);
        if (column.widestText != nullptr) {
            const int text = static_cast<int>(
                SendMessageW(list, LVM_GETSTRINGWIDTHW, 0,
                             reinterpret_cast<LPARAM>(WideTemplateText(column.widestText))));
            width = std::max(width, text + kCellTextMargin);
        }
        LVCOLUMNW item{};
        item.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
        item.fmt = LVCFMT_LEFT;
        item.cx = width;
        item.pszText = const_cast<wchar_t*>(WideTemplateText(column.caption));
        item.iSubItem = static_cast<int>(i);
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&item));
    }
}

void SetListRows(HWND list, const std::vector<std::vector<std::string>>& rows) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(list);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        for (std::size_t cell = 0; cell < rows[row].size(); ++cell) {
            std::wstring text = Wide(rows[row][cell]);
            LVITEMW item{};
            item.iItem = static_cast<int>(row);
            item.iSubItem = static_cast<int>(cell);
            item.mask = LVIF_TEXT;
            item.pszText = text.data();
            if (cell == 0) {
                item.mask |= LVIF_PARAM;
                item.lParam = static_cast<LPARAM>(row);
                SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            } else {
                SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
            }
        }
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

std::optional<int> SelectedListRow(HWND list) {
    const int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
    if (row < 0)
        return std::nullopt;
    return row;
}

std::optional<int> SelectedListItemData(HWND list) {
    const std::optional<int> row = SelectedListRow(list);
    if (!row)
        return std::nullopt;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = *row;
    if (!SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item)))
        return std::nullopt;
    return static_cast<int>(item.lParam);
}
