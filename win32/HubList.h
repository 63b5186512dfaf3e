#pragma once

#include "console/ConsoleView.h"
#include "win32/ListView.h" // <windows.h>, before the common controls' header

#include <commctrl.h>
#include <optional>
#include <vector>

// The console's hub list (control 102): the rows the console gave, each item's data its
// index in them; a row with a warning shows the system's warning icon and the warning as
// its info tip. A click on a column's header sorts by it, ascending first and then either
// way, in the core's order (HubRowOrder) with the user's locale's text order: addresses
// as numbers, the other columns as text, equal cells in the console's order. Until the first click
// the rows stay as the console gave them.
class CHubList {
public:
    // The columns, the warning icon and the info tips, once the window exists.
    void Prepare(HWND list);
    void Show(const std::vector<HubRow>& rows);
    // The selected row's index in the console's rows, however the list is sorted.
    std::optional<int> SelectedRow() const;

    // The list's notifications: LVN_COLUMNCLICK and LVN_GETINFOTIPW.
    void OnColumnClick(int column);
    void OnGetInfoTip(NMLVGETINFOTIPW& tip) const;

private:
    static int CALLBACK Compare(LPARAM first, LPARAM second, LPARAM list);
    void Sort();

    HWND list_ = nullptr;
    std::vector<HubRow> rows_;       // what the list shows, by the console's index
    std::vector<std::size_t> place_; // each row's place in the sorted list, by that index
    int sortColumn_ = -1;
    bool ascending_ = true;
};
