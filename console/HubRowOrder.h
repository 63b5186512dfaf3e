#pragma once

#include "console/ConsoleView.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// The one order of the hub list's rows for every face: the Qt window, the Win32 window
// and kestrunectl sort with it, so that a click on a header shows the same rows in the
// same order wherever it is made.

// The hub list's columns, in the order of HubListColumns().
enum HubListColumn : int {
    kHubAddressColumn = 0,
    kHubNameColumn = 1,
    kHubPhysicalAddressColumn = 2,
    kHubModelColumn = 3,
    kHubColumnCount = 4,
};

// The row's text in a column; the address for a column that is none of them.
const std::string& HubCell(const HubRow& row, int column);

// Two texts compared: negative, zero or positive. The locale's order belongs to the face
// (the core's C++ library knows only the "C" locale on Windows), so the face supplies it.
using HubTextOrder = std::function<int(const std::string& first, const std::string& second)>;

// Byte order of UTF-8 texts, which is the code points' order.
int HubTextByteOrder(const std::string& first, const std::string& second);

// The rows' indices in the order the column shows them. The address column orders
// addresses as numbers (198.18.0.9 before 198.18.0.10), and after every address the texts
// that are none, among themselves by compareText; the other columns order by compareText.
// Descending reverses the order of the keys only: rows with equal keys stay in the order
// they were given, either way.
std::vector<std::size_t> HubRowOrder(const std::vector<HubRow>& rows, int column, bool ascending,
                                     const HubTextOrder& compareText = HubTextByteOrder);
