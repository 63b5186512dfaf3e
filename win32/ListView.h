#pragma once

#include "resources/DialogTemplate.h"

#include <optional>
#include <span>
#include <string>
#include <vector>
#include <windows.h>

// The report-view list views of the console (hub list) and of the adapter dialog.

// Full-row selection alone, then the columns, left-aligned. A width is the template's
// pixels at 96 dots per inch, scaled to the window's; a column with a widest text grows
// to hold it in the list's own font.
void SetListColumns(HWND list, std::span<const ListColumn> columns);

// Replaces every row; a row's item data is its index. Cells are UTF-8.
void SetListRows(HWND list, const std::vector<std::vector<std::string>>& rows);

// The first selected row from the top, or nothing.
std::optional<int> SelectedListRow(HWND list);
// The item data of the first selected row, or nothing.
std::optional<int> SelectedListItemData(HWND list);
