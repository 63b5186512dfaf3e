#pragma once

#include "console/ConsoleView.h"

#include <optional>
#include <vector>

class QTreeWidget;

// The hub list's drawing in the window (control 105): rows the person can sort by a
// click on a column's header, a warning mark on a hub whose reply conflicts with
// another's, and the selection told back as the console's own row index.
namespace hub_list_view {

// Called once on the built list: sortable, but in the order the replies came until the
// person first clicks a header.
void AllowSorting(QTreeWidget* list);

// Replaces the rows, sorted as the person last asked. A row with a warning gets the
// style's warning icon, and the warning as every cell's tooltip and accessible
// description.
void ShowRows(QTreeWidget* list, const std::vector<HubRow>& rows);

// The selected hub's index in the rows last shown, wherever sorting has moved it.
std::optional<int> SelectedRow(const QTreeWidget* list);

} // namespace hub_list_view
